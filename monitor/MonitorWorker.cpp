#include "monitor/MonitorWorker.h"

#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "report/OutcomeText.h"

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
            ReadItemOnce(session, item.address, item.viewType, item.size, reading);
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
    : m_session(session), m_watchList(watchList), m_view(view)
{
}

MonitorWorker::~MonitorWorker()
{
    StopAndJoin();
}

bool MonitorWorker::Start(std::uint32_t baudIndex)
{
    std::lock_guard threadLock(m_threadMutex);
    // START right after STOP finds the worker still finishing its cycle: wait for it
    // rather than refuse, or the press would be lost.
    if (m_running.load() && !m_stop.load()) return false;
    if (m_thread.joinable()) m_thread.join();
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
    m_stop = false;
    m_reopenedSinceSuccess = false;
    m_running = true;
    m_thread = std::jthread([this] { RunMonitorLoop(); });
    return true;
}

void MonitorWorker::SetIntervalMs(std::uint32_t intervalMs)
{
    {
        std::lock_guard lock(m_writesMutex);
        m_intervalMs.store(intervalMs);
    }
    m_wake.notify_all();
}

void MonitorWorker::PostWrite(WriteRequest request)
{
    {
        std::lock_guard lock(m_writesMutex);
        m_writes.push_back(std::move(request));
    }
    m_wake.notify_all();
}

std::size_t MonitorWorker::PendingWrites() const
{
    std::lock_guard lock(m_writesMutex);
    return m_writes.size();
}

void MonitorWorker::RequestStop()
{
    {
        std::lock_guard lock(m_writesMutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void MonitorWorker::StopAndJoin()
{
    std::lock_guard threadLock(m_threadMutex);
    RequestStop();
    if (m_thread.joinable()) m_thread.join();
}

bool MonitorWorker::Recover()
{
    auto lock = m_session.Lock();
    m_session.ClosePodSession();
    return m_session.ReopenPodSession();
}

bool MonitorWorker::HandleFailure(const pod::PodOutcome& outcome)
{
    const std::string reason = report::DescribeOutcome(outcome);
    if (m_stopWhenReopenDoesNotHelp && m_reopenedSinceSuccess) {
        m_stop = true;
        m_view.StoppedByFailure(reason);
        return false;
    }
    if (Recover()) {
        m_reopenedSinceSuccess = true;
        ++m_reopens;
        return true;
    }
    m_stop = true;
    m_view.StoppedByFailure(reason + "; the POD could not be reopened");
    return false;
}

void MonitorWorker::WaitForWork(std::uint32_t dueMs)
{
    std::unique_lock lock(m_writesMutex);
    const std::uint32_t interval = m_intervalMs.load();
    m_session.clock().WaitUntilMs(dueMs, m_wake, lock, [&] {
        return m_stop.load() || !m_writes.empty() || m_intervalMs.load() != interval;
    });
}

bool MonitorWorker::ServeWriteRequest()
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
    if (!written.ok() && HandleFailure(written.outcome)) written = WriteOnce(m_session, request);
    if (written.ok())
        m_reopenedSinceSuccess = false;
    else if (!m_stop.load())
        HandleFailure(written.outcome);
    return true;
}

void MonitorWorker::RunMonitorLoop()
{
    pod::PodClock& clock = m_session.clock();
    std::uint32_t lastCycle = clock.NowMs();
    std::uint64_t cycles = 0;
    while (!m_stop.load()) {
        if (ServeWriteRequest()) continue;
        const std::uint32_t now = clock.NowMs();
        // A cycle is due once more than the interval has passed since the last one began.
        if (now - lastCycle <= m_intervalMs.load()) {
            WaitForWork(lastCycle + m_intervalMs.load() + 1);
            continue;
        }
        lastCycle = now;
        CycleChanges changed;
        const pod::PodOutcome outcome = ReadCycle(m_session, m_watchList, changed);
        if (!changed.symbolRows.empty())
            m_view.ValuesChanged(WatchListId::Symbols, changed.symbolRows);
        if (!changed.addressRows.empty())
            m_view.ValuesChanged(WatchListId::Addresses, changed.addressRows);
        if (!outcome) {
            HandleFailure(outcome);
            continue;
        }
        m_reopenedSinceSuccess = false;
        // The limit stops the loop before it could start another cycle.
        if (m_cycleLimit != 0 && ++cycles >= m_cycleLimit) m_stop = true;
        m_view.CycleCompleted(now);
    }
    m_running = false;
}

} // namespace monitor
