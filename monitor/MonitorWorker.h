#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "monitor/IntervalChoices.h"
#include "monitor/MonitorReader.h"
#include "monitor/MonitorView.h"
#include "monitor/WatchList.h"

namespace pod {
class PodSession;
}

namespace monitor {

// "Monitoring Buad Rate" entries; the index is what the POD is sent.
inline constexpr const char* kMonitorBaudTexts[] = {"9600", "19200", "38400", "57600", "115200"};

// Reads the visible rows of both lists once, in list order, storing each text as it
// comes; `changed` gets the rows whose text changed. Holds the session's lock for the
// whole pass. Ends at the first failed read (an ASCII address row fails without being
// sent); rows not yet read keep their texts.
struct CycleChanges {
    std::vector<int> symbolRows;
    std::vector<int> addressRows;
};
pod::PodOutcome ReadCycle(pod::PodSession& session, WatchList& watchList, CycleChanges& changed);

// The live-monitoring worker: on its own thread, it runs a read cycle whenever more
// than the interval has passed since the last one started (by the session's clock) and
// serves queued writes first, no read in the pass that writes. Between them it sleeps on
// the clock until the next cycle is due or a request arrives. After a failed read or
// write it closes the POD and reopens it once (a failed write is then tried once more);
// when that fails it stops and tells the view. It holds the session's lock for one cycle or one write at a time, so other users
// of the POD get in between, and StopAndJoin() makes sure none of its exchanges is left
// when they start.
class MonitorWorker {
public:
    MonitorWorker(pod::PodSession& session, WatchList& watchList, MonitorView& view);
    // Stops and joins the worker.
    ~MonitorWorker();
    MonitorWorker(const MonitorWorker&) = delete;
    MonitorWorker& operator=(const MonitorWorker&) = delete;

    // Opens the POD when it is closed (silently; false when it cannot), sends
    // CmdSetMonitorBaud with `baudIndex` (its answer does not matter) and starts the
    // worker. Writes queued while stopped are dropped. False, changing nothing, when
    // already running; a worker asked to stop is waited for first. The window checks
    // beforehand that a map is loaded.
    bool Start(std::uint32_t baudIndex);
    // Minimum time from the start of one cycle to the start of the next; takes effect at
    // the worker's next comparison.
    void SetIntervalMs(std::uint32_t intervalMs);
    std::uint32_t intervalMs() const { return m_intervalMs.load(); }
    // Queues a write; requests are served in order. Dropped if monitoring is not started
    // before the next Start().
    void PostWrite(WriteRequest request);
    std::size_t PendingWrites() const;

    // Ends the worker by itself after this many completed cycles (0: no limit), so that
    // no cycle is read beyond the last one wanted. Set before Start().
    void SetCycleLimit(std::uint64_t cycles) { m_cycleLimit = cycles; }
    // A read or write that fails again after the reopen, with no success in between,
    // stops the worker instead of reopening once more: a POD that answers but cannot
    // reach the target would otherwise be reopened forever. Set before Start().
    void SetStopWhenReopenDoesNotHelp(bool stop) { m_stopWhenReopenDoesNotHelp = stop; }

    // Asks the worker to end after its current pass; returns at once (STOP button).
    void RequestStop();
    // Returns when the worker has ended (anyone who uses the POD next, closing).
    void StopAndJoin();
    // True from Start() until the worker has ended its loop.
    bool IsRunning() const { return m_running.load(); }
    // Silent reopens after failed reads or writes since the worker was made.
    std::uint64_t reopens() const { return m_reopens.load(); }

private:
    void RunMonitorLoop();
    bool ServeWriteRequest();
    // Reopens the POD after a failure; false when the worker stops instead.
    bool HandleFailure(const pod::PodOutcome& outcome);
    bool Recover();
    void WaitForWork(std::uint32_t dueMs);

    pod::PodSession& m_session;
    WatchList& m_watchList;
    MonitorView& m_view;
    std::atomic<std::uint32_t> m_intervalMs{kIntervalChoices[0].ms};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_reopens{0};
    std::uint64_t m_cycleLimit = 0;
    bool m_stopWhenReopenDoesNotHelp = false;
    bool m_reopenedSinceSuccess = false; // worker thread only
    // Guards the queue and wakes the sleeping worker for a write, a stop or a new
    // interval.
    mutable std::mutex m_writesMutex;
    std::condition_variable m_wake;
    std::deque<WriteRequest> m_writes;
    std::mutex m_threadMutex; // Start and StopAndJoin from several threads
    std::jthread m_thread;
};

} // namespace monitor
