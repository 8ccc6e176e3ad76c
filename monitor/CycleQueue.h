#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "monitor/MonitorView.h"
#include "monitor/WatchList.h"

namespace monitor {

// One completed cycle: when it started and every row as it stood then.
struct Cycle {
    std::uint32_t nowMs = 0;
    std::vector<MonitorItem> symbolRows;
    std::vector<MonitorItem> addressRows;

    const MonitorItem& Row(WatchListId list, int row) const
    {
        return list == WatchListId::Symbols ? symbolRows[static_cast<std::size_t>(row)]
                                            : addressRows[static_cast<std::size_t>(row)];
    }
};

// Hands completed cycles from the monitoring worker to a thread that takes them one by
// one (a watch on the command line or from a script), with the reason when the worker
// stopped by itself.
class CycleQueue final : public MonitorView {
public:
    explicit CycleQueue(const WatchList& watchList) : m_watchList(watchList) {}

    void ValuesChanged(WatchListId, const std::vector<int>&) override {}
    void CycleCompleted(std::uint32_t nowMs) override;
    void StoppedByFailure(const std::string& reason) override;

    // The next cycle, or nothing when the POD was lost or the wait ran out. A failure is
    // reported only once the cycles before it were taken.
    std::optional<Cycle> Next(std::chrono::milliseconds wait, bool& failed);
    // Why the worker stopped by itself.
    std::string failure();

private:
    const WatchList& m_watchList;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Cycle> m_cycles;
    bool m_failed = false;
    std::string m_failure;
};

} // namespace monitor
