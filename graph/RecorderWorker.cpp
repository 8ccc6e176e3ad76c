#include "graph/RecorderWorker.h"

#include "pod/PodSession.h"

namespace graph {

monitor::WatchItem RecorderItemOf(const GraphChannel& channel)
{
    monitor::WatchItem item;
    item.label = channel.name;
    item.address = channel.address;
    item.size = static_cast<std::int32_t>(channel.size);
    item.viewType = channel.viewType;
    return item;
}

RecorderWorker::RecorderWorker(pod::PodSession& session, RecorderView& view) : m_session(session), m_view(view) {}

RecorderWorker::~RecorderWorker()
{
    StopAndJoin();
}

void RecorderWorker::StopAndJoin()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void RecorderWorker::Start(std::uint32_t base, const GraphChannels& channels, monitor::RecordRequest request)
{
    StopAndJoin();
    for (SampleBuffer& buffer : m_buffers) buffer.Clear();
    request.items.clear();
    for (int i = 0; i < channels.count(); ++i) request.items.push_back(RecorderItemOf(channels[i]));
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this, base, request] { Run(base, request); });
}

monitor::RecordResult RecorderWorker::result() const
{
    std::lock_guard lock(m_resultMutex);
    return m_result;
}

std::int64_t RecorderWorker::periodUs() const
{
    std::lock_guard lock(m_resultMutex);
    return m_periodUs;
}

void RecorderWorker::Run(std::uint32_t base, monitor::RecordRequest request)
{
    monitor::RecordResult result;
    monitor::Recording recording;
    {
        auto lock = m_session.Lock();
        if (!m_session.IsOpen() && !m_session.ReopenPodSession())
            result.result.refusal = "the POD could not be opened";
    }
    if (result.result.refusal.empty())
        result = monitor::RecordCapture(m_session, m_session.clock(), monitor::TypedSymbols{}, base, request,
                                        [this](const monitor::RecordProgress& progress) {
                                            m_view.RecorderProgress(progress);
                                            return !m_stop.load();
                                        },
                                        recording);
    for (std::size_t c = 0; c < recording.channels.size() && c < m_buffers.size(); ++c)
        for (std::size_t i = 0; i < recording.size(); ++i)
            m_buffers[c].Append({recording.TimeNs(i) / 1000, recording.channels[c].values[i].value_or(0)});
    {
        std::lock_guard lock(m_resultMutex);
        m_result = result;
        m_periodUs = static_cast<std::int64_t>(recording.periodNs / 1000);
    }
    m_running = false;
    m_view.RecorderFinished();
}

} // namespace graph
