#include "monitor/MonitorWorker.h"

#include "pod/PodCommands.h"
#include "pod/PodSession.h"

namespace monitor {

namespace {

pod::PodOutcome ReadList(pod::PodSession& session, WatchList& watchList, WatchListId list,
                         std::vector<int>& changed)
{
    for (const ReadItem& item : watchList.VisibleItems(list)) {
        // The address list has no size to read a text with: such a row always fails.
        if (list == WatchListId::Addresses && item.viewType == ASCII)
            return pod::PodOutcome::Failed(pod::PodStatus::NotSent);
        Reading reading;
        const pod::PodOutcome outcome =
            ReadItemOnce(session, item.address, item.viewType, TextSpanOf(item.size, item.extent), reading);
        if (!outcome) return outcome;
        const int row = watchList.StoreValue(item, reading.text, reading.value);
        if (row >= 0) changed.push_back(row);
    }
    return pod::PodOutcome::Ok();
}

} // namespace

pod::PodOutcome ReadCycle(pod::PodSession& session, WatchList& watchList, CycleChanges& changed)
{
    auto lock = session.Lock();
    const pod::PodOutcome symbols =
        ReadList(session, watchList, WatchListId::Symbols, changed.symbolRows);
    if (!symbols) return symbols;
    return ReadList(session, watchList, WatchListId::Addresses, changed.addressRows);
}

MonitorWorker::MonitorWorker(pod::PodSession& session, WatchList& watchList, MonitorView& view)
    : m_session(session), m_watchList(watchList), m_view(view), m_loop(session, *this)
{
}

MonitorWorker::~MonitorWorker()
{
    m_loop.StopAndJoin();
}

bool MonitorWorker::Start(std::uint32_t baudIndex)
{
    return m_loop.Start([&] {
        {
            auto lock = m_session.Lock();
            if (!m_session.IsOpen() && !m_session.ReopenPodSession()) return false;
            // A POD that refuses the rate still answers reads at its old one.
            pod::CmdSetMonitorBaud(m_session, baudIndex);
        }
        {
            // A change confirmed while monitoring was stopped is not carried out later.
            std::lock_guard lock(m_writesMutex);
            m_writes.clear();
        }
        m_cycles = 0;
        return true;
    });
}

void MonitorWorker::SetIntervalMs(std::uint32_t intervalMs)
{
    m_intervalMs.store(intervalMs);
    m_loop.Wake();
}

void MonitorWorker::PostWrite(WriteRequest request)
{
    {
        std::lock_guard lock(m_writesMutex);
        m_writes.push_back(std::move(request));
    }
    m_loop.Wake();
}

std::size_t MonitorWorker::PendingWrites() const
{
    std::lock_guard lock(m_writesMutex);
    return m_writes.size();
}

std::uint32_t MonitorWorker::CycleDueAfterMs() const
{
    // A cycle is due once more than the interval has passed since the last one began.
    return m_intervalMs.load() + 1;
}

bool MonitorWorker::ServeRequest()
{
    WriteRequest request;
    {
        std::lock_guard lock(m_writesMutex);
        if (m_writes.empty()) return false;
        request = std::move(m_writes.front());
        m_writes.pop_front();
    }
    WriteOutcome written = WriteOnce(m_session, request);
    // A write lost with the link is tried once more on the reopened POD, so a change the
    // user confirmed is not dropped by an unplug; the same value written twice is harmless.
    if (!written.ok() && m_loop.Recover(written.outcome)) written = WriteOnce(m_session, request);
    if (written.ok())
        m_loop.Succeeded();
    else if (!m_loop.StopRequested())
        m_loop.Recover(written.outcome);
    return true;
}

pod::PodOutcome MonitorWorker::RunCycle(std::uint32_t startMs)
{
    CycleChanges changed;
    const pod::PodOutcome outcome = ReadCycle(m_session, m_watchList, changed);
    if (!changed.symbolRows.empty()) m_view.ValuesChanged(WatchListId::Symbols, changed.symbolRows);
    if (!changed.addressRows.empty())
        m_view.ValuesChanged(WatchListId::Addresses, changed.addressRows);
    if (!outcome) {
        m_view.CycleFailed();
        return outcome;
    }
    // The limit stops the loop before it could start another cycle.
    if (m_cycleLimit != 0 && ++m_cycles >= m_cycleLimit) m_loop.RequestStop();
    m_view.CycleCompleted(startMs);
    return outcome;
}

void MonitorWorker::StoppedByFailure(const std::string& reason)
{
    m_view.StoppedByFailure(reason);
}

} // namespace monitor
