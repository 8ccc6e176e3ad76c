#include "python/ScriptWatch.h"

#include <algorithm>
#include <cmath>

#include "monitor/TypedWatchRows.h"
#include "python/ScriptError.h"
#include "python/ScriptLink.h"
#include "python/ScriptMonitor.h"

namespace script {

ScriptWatch::ScriptWatch(std::shared_ptr<ScriptMonitor> monitor,
                         const std::vector<std::string>& texts, std::uint32_t intervalMs,
                         std::uint64_t count, double durationS)
    : m_monitor(std::move(monitor)), m_count(count)
{
    if (texts.empty()) throw ScriptError::Usage("a watch needs at least one item");
    for (const std::string& text : texts) {
        const monitor::WatchItem& item = m_monitor->Resolve(text);
        if (!monitor::AddItemRow(m_monitor->table(), item, m_watchList)) throw ScriptError::Usage(item.label + " names a variable that is watched already");
        const int row = m_watchList.RowCount(item.list) - 1;
        m_watchList.SetViewType(item.list, row, item.viewType);
        m_items.push_back(item);
        m_rows.push_back(row);
    }
    // A duration shorter than a millisecond still ends the watch.
    if (durationS > 0)
        m_durationMs =
            std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::ceil(durationS * 1000.0)));

    const std::shared_ptr<ScriptLink>& link = m_monitor->link();
    const auto lock = link->Use();
    pod::PodSession& session = link->OpenForMonitoring(monitor::BaudIndex(m_monitor->options().baud));
    m_worker.emplace(session, m_watchList, m_cycles);
    m_worker->SetIntervalMs(intervalMs);
    m_worker->SetCycleLimit(count);
    m_worker->SetStopWhenReopenDoesNotHelp(true);
    m_startMs = session.clock().NowMs();
    if (!m_worker->Start(monitor::BaudIndex(m_monitor->options().baud)))
        throw ScriptError("the POD could not be opened for monitoring", ErrorKind::LinkLost);
    link->AddWorker(&*m_worker);
}

ScriptWatch::~ScriptWatch()
{
    Stop();
}

void ScriptWatch::Stop()
{
    if (!m_worker) return;
    m_monitor->link()->RemoveWorker(&*m_worker);
    m_worker->StopAndJoin();
    m_ended = true;
}

ScriptWatch::Step ScriptWatch::Next(std::chrono::milliseconds wait, monitor::Cycle& cycle,
                                    std::uint32_t& elapsedMs)
{
    if (m_ended || (m_count > 0 && m_taken >= m_count)) {
        Stop();
        return Step::Ended;
    }
    const bool running = m_worker->IsRunning();
    bool failed = false;
    std::optional<monitor::Cycle> next =
        m_cycles.Next(running ? wait : std::chrono::milliseconds(0), failed);
    if (failed) {
        Stop();
        throw ScriptError("the watch ended after " + std::to_string(m_taken) +
                          " cycles: " + m_cycles.failure());
    }
    elapsedMs = (next ? next->nowMs : m_monitor->link()->NowMs()) - m_startMs;
    // A worker that stopped without failing (its count reached, a programming run or
    // close() stopped it) sends nothing more.
    if ((m_durationMs > 0 && elapsedMs >= m_durationMs) || (!next && !running)) {
        Stop();
        return Step::Ended;
    }
    if (!next) return Step::Waiting;
    cycle = std::move(*next);
    monitor::ShowTypedValues(m_monitor->options().types, m_items, m_rows, cycle.symbolRows);
    ++m_taken;
    return Step::Cycle;
}

} // namespace script
