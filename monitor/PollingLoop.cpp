#include "monitor/PollingLoop.h"

#include "pod/PodSession.h"
#include "report/OutcomeText.h"

namespace monitor {

PollingLoop::PollingLoop(pod::PodSession& session, PollingTask& task)
    : m_session(session), m_task(task)
{
}

PollingLoop::~PollingLoop()
{
    StopAndJoin();
}

bool PollingLoop::Start(const std::function<bool()>& prepare)
{
    std::lock_guard threadLock(m_threadMutex);
    // START right after STOP finds the loop still finishing its pass: wait for it rather
    // than refuse, or the press would be lost.
    if (m_running.load() && !m_stop.load()) return false;
    if (m_thread.joinable()) m_thread.join();
    if (!prepare()) return false;
    {
        std::lock_guard lock(m_wakeMutex);
        m_stop = false;
        m_woken = false;
    }
    m_reopenedSinceSuccess = false;
    m_running = true;
    m_thread = std::jthread([this] { Run(); });
    return true;
}

void PollingLoop::Wake()
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_woken = true;
    }
    m_wake.notify_all();
}

void PollingLoop::RequestStop()
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void PollingLoop::StopAndJoin()
{
    std::lock_guard threadLock(m_threadMutex);
    RequestStop();
    if (m_thread.joinable()) m_thread.join();
}

void PollingLoop::StopBecause(const std::string& reason)
{
    RequestStop();
    m_task.StoppedByFailure(reason);
}

bool PollingLoop::Recover(const pod::PodOutcome& failed)
{
    const std::string reason = report::DescribeOutcome(failed);
    if (m_stopWhenReopenDoesNotHelp && m_reopenedSinceSuccess) {
        StopBecause(reason);
        return false;
    }
    bool reopened = false;
    {
        auto lock = m_session.Lock();
        m_session.ClosePodSession();
        reopened = m_session.ReopenPodSession();
    }
    if (!reopened) {
        StopBecause(reason + "; the POD could not be reopened");
        return false;
    }
    m_reopenedSinceSuccess = true;
    ++m_reopens;
    return true;
}

bool PollingLoop::OpenOrStop()
{
    {
        auto lock = m_session.Lock();
        if (m_session.IsOpen() || m_session.ReopenPodSession()) return true;
    }
    StopBecause("the POD could not be opened");
    return false;
}

void PollingLoop::WaitUntilDue(std::uint32_t dueMs)
{
    std::unique_lock lock(m_wakeMutex);
    m_session.clock().WaitUntilMs(dueMs, m_wake, lock, [this] { return m_stop.load() || m_woken; });
}

void PollingLoop::Run()
{
    pod::PodClock& clock = m_session.clock();
    std::uint32_t lastCycle = clock.NowMs();
    while (!m_stop.load()) {
        {
            // Cleared before the task looks for requests, so that one queued after the
            // look wakes the wait below.
            std::lock_guard lock(m_wakeMutex);
            m_woken = false;
        }
        if (m_task.ServeRequest()) continue;
        const std::uint32_t now = clock.NowMs();
        const std::uint32_t dueAfter = m_task.CycleDueAfterMs();
        if (now - lastCycle < dueAfter) {
            WaitUntilDue(lastCycle + dueAfter);
            continue;
        }
        lastCycle = now;
        if (!OpenOrStop()) break;
        const pod::PodOutcome outcome = m_task.RunCycle(now);
        if (outcome) {
            Succeeded();
            continue;
        }
        Recover(outcome);
        m_task.CycleFailed();
    }
    m_running = false;
}

} // namespace monitor
