#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "graph/GraphChannels.h"
#include "graph/SampleBuffer.h"
#include "monitor/RecordCapture.h"

namespace pod {
class PodSession;
}

namespace graph {

// What the recorder worker tells its front end, on the worker's thread: an implementation
// posts to its own thread and returns.
class RecorderView {
public:
    virtual ~RecorderView() = default;
    virtual void RecorderProgress(const monitor::RecordProgress& progress) = 0;
    // The capture has ended: result() and the buffers say how.
    virtual void RecorderFinished() = 0;
};

// The graph's capture by the target's recorder, on a thread of its own (it waits for a
// trigger as long as the target takes): opens the POD when it is closed, arms the
// recorder, waits, uploads, and puts the samples into its buffers at their times from the
// trigger in microseconds. One capture at a time: Start() joins the last.
class RecorderWorker {
public:
    RecorderWorker(pod::PodSession& session, RecorderView& view);
    // Stops (the recorder is disarmed) and joins.
    ~RecorderWorker();
    RecorderWorker(const RecorderWorker&) = delete;
    RecorderWorker& operator=(const RecorderWorker&) = delete;

    // Captures `channels` with the recorder at `base`; `request` gives everything but the
    // items, which the channels make.
    void Start(std::uint32_t base, const GraphChannels& channels, monitor::RecordRequest request);
    // The capture stops at its next look at the recorder (STOP); returns at once.
    void RequestStop() { m_stop = true; }
    void StopAndJoin();
    bool IsRunning() const { return m_running; }

    // How the last capture ended; valid once RecorderFinished came (or after a join).
    monitor::RecordResult result() const;
    std::int64_t periodUs() const;
    const std::array<SampleBuffer, GraphChannels::kMaxChannels>& buffers() const { return m_buffers; }

private:
    void Run(std::uint32_t base, monitor::RecordRequest request);

    pod::PodSession& m_session;
    RecorderView& m_view;
    std::array<SampleBuffer, GraphChannels::kMaxChannels> m_buffers;
    mutable std::mutex m_resultMutex;
    monitor::RecordResult m_result;
    std::int64_t m_periodUs = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::thread m_thread; // last: it uses the members above
};

// The recorder's item for a graph channel: its address and the view type it is read with.
monitor::WatchItem RecorderItemOf(const GraphChannel& channel);

} // namespace graph
