#include "python/ScriptMonitor.h"

#include <algorithm>
#include <chrono>
#include <sstream>

#include "cli/CheckedWrite.h"
#include "cli/CommandContext.h"
#include "python/ScriptError.h"
#include "python/ScriptLink.h"
#include "report/OutcomeText.h"

namespace script {

namespace {

// Runs a piece of the command line's item handling and turns what it printed into the
// exception or the warnings a script gets.
template <typename Step> void RunCliStep(Step step, std::vector<std::string>* warnings)
{
    static const cli::GlobalOptions globals{};
    std::ostringstream out;
    std::ostringstream err;
    cli::CommandContext ctx{globals, out, err, nullptr, false, {}};
    if (step(ctx) != cli::kExitOk) throw ScriptError(CliMessage(err.str()));
    if (warnings == nullptr) return;
    std::istringstream lines(CliMessage(err.str()));
    for (std::string line; std::getline(lines, line);)
        warnings->push_back(line);
}

} // namespace

void LoadTarget(cli::MonitorOptions& options, monitor::SymbolTable& table,
                std::vector<std::string>& warnings)
{
    RunCliStep(
        [&](cli::CommandContext& ctx) { return cli::LoadMonitorTarget(ctx, options, table); },
        &warnings);
}

ScriptMonitor::ScriptMonitor(std::shared_ptr<ScriptLink> link, cli::MonitorOptions options)
    : m_link(std::move(link)), m_options(std::move(options))
{
    LoadTarget(m_options, m_table, m_warnings);
    const auto lock = m_link->Use();
    m_link->OpenForMonitoring(cli::BaudIndex(m_options.baud));
}

const cli::WatchItem& ScriptMonitor::Resolve(const std::string& text)
{
    std::lock_guard lock(m_itemsMutex);
    if (const auto found = m_items.find(text); found != m_items.end()) return found->second;
    std::vector<cli::WatchItem> items;
    RunCliStep(
        [&](cli::CommandContext& ctx) {
            return cli::ResolveWatchItems(ctx, m_options, m_table, {text}, items);
        },
        nullptr);
    return m_items.emplace(text, items.front()).first->second;
}

monitor::Reading ScriptMonitor::Read(const cli::WatchItem& item)
{
    const auto lock = m_link->Use();
    monitor::Reading reading;
    const pod::PodOutcome outcome =
        monitor::ReadItemOnce(m_link->OpenForMonitoring(cli::BaudIndex(m_options.baud)),
                              item.address, item.viewType, item.size, reading);
    if (!outcome)
        throw ScriptError("reading " + item.label + " failed: " + report::DescribeOutcome(outcome));
    return reading;
}

void ScriptMonitor::Write(const cli::WatchItem& item, const monitor::WriteRequest& request)
{
    const auto lock = m_link->Use();
    monitor::Reading reading;
    if (const std::string failure = cli::WriteAndReadBack(
            m_link->OpenForMonitoring(cli::BaudIndex(m_options.baud)), m_options.types, item,
            request, reading);
        !failure.empty())
        throw ScriptError(failure);
}

double ScriptMonitor::TimeCoreReads(const cli::WatchItem& item, int count)
{
    const auto lock = m_link->Use();
    pod::PodSession& session = m_link->OpenForMonitoring(cli::BaudIndex(m_options.baud));
    monitor::Reading reading;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        if (!monitor::ReadItemOnce(session, item.address, item.viewType, item.size, reading))
            throw ScriptError("reading " + item.label + " failed");
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / std::max(count, 1);
}

} // namespace script
