#include "monitor/MonitorWorker.h"

#include "pod/PodCommands.h"
#include "pod/PodSession.h"

namespace monitor {

namespace {
// One pass of the loop sleeps this long, so a queued write waits only a few ms when no
// cycle runs.
constexpr std::uint32_t kPassMs = 1;

bool ReadList(pod::PodSession& session, WatchList& watchList, WatchListId list,
              std::vector<int>& changed)
{
    for (const ReadItem& item : watchList.VisibleItems(list)) {
        // The address list has no size to read a text with: such a row always fails.
        if (list == WatchListId::Addresses && item.viewType == ASCII) return false;
        Reading reading;
        if (!ReadItemOnce(session, item.address, item.viewType, item.size, reading)) return false;
        const int row = watchList.StoreValue(item, reading.text, reading.value);
        if (row >= 0) changed.push_back(row);
    }
    return true;
}
} // namespace

bool ReadCycle(pod::PodSession& session, WatchList& watchList, CycleChanges& changed)
{
    auto lock = session.Lock();
    return ReadList(session, watchList, WatchListId::Symbols, changed.symbolRows) &&
           ReadList(session, watchList, WatchListId::Addresses, changed.addressRows);
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
    m_running = true;
    m_thread = std::jthread([this] { RunMonitorLoop(); });
    return true;
}

void MonitorWorker::PostWrite(WriteRequest request)
{
    std::lock_guard lock(m_writesMutex);
    m_writes.push_back(std::move(request));
}

std::size_t MonitorWorker::PendingWrites() const
{
    std::lock_guard lock(m_writesMutex);
    return m_writes.size();
}

void MonitorWorker::RequestStop()
{
    m_stop = true;
}

void MonitorWorker::StopAndJoin()
{
    std::lock_guard threadLock(m_threadMutex);
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

bool MonitorWorker::Recover()
{
    auto lock = m_session.Lock();
    m_session.ClosePodSession();
    if (m_session.ReopenPodSession()) return true;
    m_stop = true;
    return false;
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
    if (!WriteOnce(m_session, request)) {
        if (!Recover()) m_view.StoppedByFailure();
    }
    return true;
}

void MonitorWorker::RunMonitorLoop()
{
    pod::PodClock& clock = m_session.clock();
    std::uint32_t lastCycle = clock.NowMs();
    while (!m_stop.load()) {
        if (!ServeWriteRequest()) {
            const std::uint32_t now = clock.NowMs();
            if (now - lastCycle > m_intervalMs.load()) {
                lastCycle = now;
                CycleChanges changed;
                const bool ok = ReadCycle(m_session, m_watchList, changed);
                if (!changed.symbolRows.empty())
                    m_view.ValuesChanged(WatchListId::Symbols, changed.symbolRows);
                if (!changed.addressRows.empty())
                    m_view.ValuesChanged(WatchListId::Addresses, changed.addressRows);
                if (ok) {
                    m_view.CycleCompleted(now);
                } else if (!Recover()) {
                    m_view.StoppedByFailure();
                }
            }
        }
        if (!m_stop.load()) clock.SleepMs(kPassMs);
    }
    m_running = false;
}

} // namespace monitor
