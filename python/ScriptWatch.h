#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/WatchTarget.h"
#include "monitor/CycleQueue.h"
#include "monitor/MonitorWorker.h"
#include "monitor/WatchList.h"

namespace script {

class ScriptMonitor;

// Items read every interval by the monitoring worker, as `quobin-cli watch` reads them:
// a failed read closes and reopens the POD once; a second failure ends the watch.
class ScriptWatch {
public:
    // Throws ScriptError for a bad item, one named twice, or a POD that cannot be opened.
    ScriptWatch(std::shared_ptr<ScriptMonitor> monitor, const std::vector<std::string>& texts,
                std::uint32_t intervalMs, std::uint64_t count, double durationS);
    // Stops and joins the worker.
    ~ScriptWatch();
    ScriptWatch(const ScriptWatch&) = delete;
    ScriptWatch& operator=(const ScriptWatch&) = delete;

    enum class Step { Cycle, Waiting, Ended };
    // Waits up to `wait` for the next cycle. Ended after the count or the duration;
    // throws ScriptError when the POD was lost for good.
    Step Next(std::chrono::milliseconds wait, monitor::Cycle& cycle, std::uint32_t& elapsedMs);
    void Stop();

    const std::vector<monitor::WatchItem>& items() const { return m_items; }
    const std::vector<int>& rows() const { return m_rows; }

private:
    std::shared_ptr<ScriptMonitor> m_monitor;
    std::vector<monitor::WatchItem> m_items;
    std::vector<int> m_rows;
    monitor::WatchList m_watchList;
    monitor::CycleQueue m_cycles{m_watchList};
    std::optional<monitor::MonitorWorker> m_worker;
    std::uint64_t m_count = 0;
    std::uint64_t m_taken = 0;
    std::uint64_t m_durationMs = 0;
    std::uint32_t m_startMs = 0;
    bool m_ended = false;
};

} // namespace script
