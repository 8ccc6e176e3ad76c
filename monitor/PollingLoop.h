#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "monitor/PollingTask.h"
#include "pod/PodOutcome.h"

namespace pod {
class PodSession;
}

namespace monitor {

// The one polling loop of the POD's workers, on a thread of its own. Between cycles it
// sleeps on the session's clock until the next cycle is due or Wake() is called, and
// serves the task's requests before any cycle. A cycle runs on an open POD: a closed one
// is opened first, and when it cannot be the loop stops. After a failed cycle or request
// it closes the POD and reopens it once; when that fails, it stops and tells the task.
// Start() and StopAndJoin() may be called from several threads.
class PollingLoop {
public:
    PollingLoop(pod::PodSession& session, PollingTask& task);
    // Stops and joins the thread; the owner calls StopAndJoin() itself before its own
    // members go, since the task is usually the owner.
    ~PollingLoop();
    PollingLoop(const PollingLoop&) = delete;
    PollingLoop& operator=(const PollingLoop&) = delete;

    // False, changing nothing, while the loop runs and no stop was asked for. A loop
    // asked to stop is waited for first; then `prepare` runs on the caller's thread and
    // the loop starts only when it returns true.
    bool Start(const std::function<bool()>& prepare);
    // A request was queued or the cycle's period changed: the sleeping loop looks again.
    void Wake();
    // The loop ends after its current pass; returns at once.
    void RequestStop();
    // Returns when the loop has ended.
    void StopAndJoin();
    // True from Start() until the loop has ended.
    bool IsRunning() const { return m_running.load(); }
    bool StopRequested() const { return m_stop.load(); }
    // Silent reopens after failures since the loop was made.
    std::uint64_t reopens() const { return m_reopens.load(); }
    // A failure again right after a reopen, with no success in between, stops the loop
    // instead of reopening once more: a POD that answers but cannot reach the target
    // would otherwise be reopened forever. Set before Start().
    void SetStopWhenReopenDoesNotHelp(bool stop) { m_stopWhenReopenDoesNotHelp = stop; }

    // For the task, on the loop's thread. Closes the POD after `failed` and reopens it;
    // false when the loop stops instead (the task has been told why).
    bool Recover(const pod::PodOutcome& failed);
    // A request or cycle went through: the next failure may reopen again.
    void Succeeded() { m_reopenedSinceSuccess = false; }

private:
    void Run();
    bool OpenOrStop();
    void StopBecause(const std::string& reason);
    void WaitUntilDue(std::uint32_t dueMs);

    pod::PodSession& m_session;
    PollingTask& m_task;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_reopens{0};
    bool m_stopWhenReopenDoesNotHelp = false;
    bool m_reopenedSinceSuccess = false; // loop thread only, once started
    // Guards m_woken; the sleeping loop waits on m_wake.
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_woken = false;
    std::mutex m_threadMutex;
    std::jthread m_thread;
};

} // namespace monitor
