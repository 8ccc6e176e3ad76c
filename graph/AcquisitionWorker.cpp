#include "graph/AcquisitionWorker.h"

#include "monitor/MonitorReader.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"

namespace graph {

namespace {
// Whole milliseconds of the clock's count that does not wrap.
std::uint64_t NowMs64(pod::PodClock& clock)
{
    return clock.NowUs() / 1000;
}
} // namespace

AcquisitionWorker::AcquisitionWorker(pod::PodSession& session, AcquisitionView& view)
    : m_session(session), m_view(view), m_loop(session, *this)
{
}

AcquisitionWorker::~AcquisitionWorker()
{
    m_loop.StopAndJoin();
}

void AcquisitionWorker::Start(const GraphChannels& channels)
{
    // The previous worker may still be in its last pass after a STOP; two must never
    // sample at once, so it is asked to stop and joined before the buffers are cleared.
    m_loop.RequestStop();
    m_loop.Start([&] {
        m_channels = channels;
        for (SampleBuffer& buffer : m_buffers)
            buffer.Clear();
        m_startMs = NowMs64(m_session.clock());
        return true;
    });
}

pod::PodOutcome AcquisitionWorker::RunCycle(std::uint32_t /*startMs*/)
{
    auto lock = m_session.Lock();
    const auto elapsed = static_cast<std::int64_t>(NowMs64(m_session.clock()) - m_startMs.load());
    for (int i = 0; i < m_channels.count(); ++i) {
        const GraphChannel& channel = m_channels[i];
        // A text has no number to plot; it fails like a read that cannot be sent.
        if (channel.viewType == monitor::ASCII || channel.viewType >= monitor::kViewTypeCount)
            return pod::PodOutcome::Failed(pod::PodStatus::NotSent);
        monitor::Reading reading;
        const pod::PodOutcome outcome =
            monitor::ReadItemOnce(m_session, channel.address, channel.viewType, {}, reading);
        if (!outcome) return outcome;
        if (!reading.value) return pod::PodOutcome::Failed(pod::PodStatus::BadReply);
        m_buffers[static_cast<std::size_t>(i)].Append({elapsed * 1000, *reading.value});
    }
    m_view.Ticked(elapsed);
    return pod::PodOutcome::Ok();
}

} // namespace graph
