#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "graph/AcquisitionView.h"
#include "graph/GraphChannels.h"
#include "graph/SampleBuffer.h"
#include "monitor/PollingLoop.h"
#include "monitor/PollingTask.h"

namespace pod {
class PodSession;
}

namespace graph {

// Ticks start no closer than this apart, measured from the start of one tick to the
// start of the next; a tick that takes longer (slow reads) simply delays the next.
inline constexpr std::uint32_t kMinTickMs = 11;

// The graph's acquisition: on a PollingLoop, which sleeps on the clock until the next
// tick is due, every tick reads each channel once through the POD and appends one point
// per channel, all with the time of the tick, to the channel's buffer. A tick first opens
// the POD when it is closed; a failed read skips the rest of that tick, closes the POD
// and reopens it; when the POD cannot be (re)opened the acquisition stops by itself and
// tells the view. The session's lock is held for one tick at a time. At most one worker
// runs: Start() joins the previous one first.
class AcquisitionWorker final : private monitor::PollingTask {
public:
    AcquisitionWorker(pod::PodSession& session, AcquisitionView& view);
    // Stops and joins the worker.
    ~AcquisitionWorker();
    AcquisitionWorker(const AcquisitionWorker&) = delete;
    AcquisitionWorker& operator=(const AcquisitionWorker&) = delete;

    // Waits for a previous worker to end, clears every buffer, takes the clock's time as
    // the run's start and starts sampling `channels`. Does not open the POD: the first
    // tick does.
    void Start(const GraphChannels& channels);
    // Asks the worker to end after its current pass; returns at once (STOP).
    void RequestStop() { m_loop.RequestStop(); }
    // Returns when the worker has ended (EXIT, before the POD is closed).
    void StopAndJoin() { m_loop.StopAndJoin(); }
    // True from Start() until the worker has ended its loop.
    bool IsRunning() const { return m_loop.IsRunning(); }

    // Channel i's points; channels at or past the run's count stay empty.
    const SampleBuffer& buffer(int channel) const
    {
        return m_buffers.at(static_cast<std::size_t>(channel));
    }
    const std::array<SampleBuffer, GraphChannels::kMaxChannels>& buffers() const
    {
        return m_buffers;
    }
    // The clock's time at the last Start(), in milliseconds counted without wrapping, so
    // that a run's elapsed times keep growing past the 32-bit clock's turn.
    std::uint64_t startMs() const { return m_startMs.load(); }

private:
    std::uint32_t CycleDueAfterMs() const override { return kMinTickMs; }
    pod::PodOutcome RunCycle(std::uint32_t startMs) override;
    void CycleFailed() override { m_view.TickFailed(); }
    void StoppedByFailure(const std::string& reason) override { m_view.StoppedByFailure(reason); }

    pod::PodSession& m_session;
    AcquisitionView& m_view;
    GraphChannels m_channels; // written by Start() only while no worker runs
    std::array<SampleBuffer, GraphChannels::kMaxChannels> m_buffers;
    std::atomic<std::uint64_t> m_startMs{0};
    monitor::PollingLoop m_loop; // last: its thread uses the members above
};

} // namespace graph
