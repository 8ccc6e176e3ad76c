#include "monitor/CycleQueue.h"

namespace monitor {

void CycleQueue::CycleCompleted(std::uint32_t nowMs)
{
    Cycle cycle{nowMs, m_watchList.Rows(WatchListId::Symbols),
                m_watchList.Rows(WatchListId::Addresses)};
    std::lock_guard lock(m_mutex);
    m_cycles.push_back(std::move(cycle));
    m_changed.notify_one();
}

void CycleQueue::StoppedByFailure(const std::string& reason)
{
    std::lock_guard lock(m_mutex);
    m_failure = reason;
    m_failed = true;
    m_changed.notify_one();
}

std::optional<Cycle> CycleQueue::Next(std::chrono::milliseconds wait, bool& failed)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, wait, [this] { return !m_cycles.empty() || m_failed; });
    failed = m_failed && m_cycles.empty();
    if (m_cycles.empty()) return std::nullopt;
    Cycle cycle = std::move(m_cycles.front());
    m_cycles.pop_front();
    return cycle;
}

std::string CycleQueue::failure()
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace monitor
