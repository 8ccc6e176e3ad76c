#include "graph/AcquisitionWorker.h"

#include "graph/DayFraction.h"
#include "monitor/MonitorReader.h"
#include "pod/PodSession.h"

namespace graph {

namespace {
// Each pass of the loop sleeps this long between its looks at the clock.
constexpr std::uint32_t kPassMs = 1;
} // namespace

AcquisitionWorker::AcquisitionWorker(pod::PodSession& session, AcquisitionView& view)
    : m_session(session), m_view(view)
{
}

AcquisitionWorker::~AcquisitionWorker()
{
    StopAndJoin();
}

void AcquisitionWorker::Start(const GraphChannels& channels)
{
    std::lock_guard threadLock(m_threadMutex);
    // The previous worker may still be in its last pass after a STOP; two must never
    // sample at once.
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    m_channels = channels;
    for (SampleBuffer& buffer : m_buffers)
        buffer.Clear();
    m_startMs = m_session.clock().NowMs();
    m_stop = false;
    m_running = true;
    m_thread = std::jthread([this] { Loop(); });
}

void AcquisitionWorker::RequestStop()
{
    m_stop = true;
}

void AcquisitionWorker::StopAndJoin()
{
    std::lock_guard threadLock(m_threadMutex);
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void AcquisitionWorker::Loop()
{
    pod::PodClock& clock = m_session.clock();
    std::uint32_t lastTick = clock.NowMs();
    while (!m_stop.load()) {
        const std::uint32_t now = clock.NowMs();
        if (now - lastTick >= kMinTickMs) {
            lastTick = now;
            SampleTick();
        }
        if (!m_stop.load()) clock.SleepMs(kPassMs);
    }
    m_running = false;
}

void AcquisitionWorker::SampleTick()
{
    auto lock = m_session.Lock();
    if (!m_session.IsOpen() && !m_session.ReopenPodSession()) {
        StopOnFailure();
        return;
    }
    const std::uint32_t elapsed = m_session.clock().NowMs() - m_startMs.load();
    const double x = ElapsedToDayFraction(elapsed);
    for (int i = 0; i < m_channels.count(); ++i) {
        const GraphChannel& channel = m_channels[i];
        monitor::Reading reading;
        // A type past FLOAT has no number to plot; it fails like an unanswered read.
        if (channel.viewType > monitor::FLOAT ||
            !monitor::ReadItemOnce(m_session, channel.address, channel.viewType,
                                   static_cast<std::int32_t>(channel.size), reading)
                 .ok() ||
            !reading.value) {
            RecoverAfterFailedRead();
            return;
        }
        m_buffers[static_cast<std::size_t>(i)].Append({x, *reading.value});
    }
    m_view.Ticked(elapsed);
}

void AcquisitionWorker::RecoverAfterFailedRead()
{
    m_session.ClosePodSession();
    if (!m_session.ReopenPodSession()) StopOnFailure();
    m_view.TickFailed();
}

void AcquisitionWorker::StopOnFailure()
{
    m_stop = true;
    m_view.StoppedByFailure();
}

} // namespace graph
