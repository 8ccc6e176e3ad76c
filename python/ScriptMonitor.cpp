#include "python/ScriptMonitor.h"

#include <algorithm>
#include <chrono>

#include "monitor/CheckedWrite.h"
#include "monitor/RecorderSymbol.h"
#include "python/ScriptError.h"
#include "python/ScriptLink.h"
#include "report/OutcomeText.h"

namespace script {

void LoadTarget(monitor::WatchTarget& options, monitor::SymbolTable& table,
                std::vector<std::string>& warnings)
{
    monitor::TargetLoad load = monitor::LoadWatchTarget(options, table);
    if (!load.ok) throw ScriptError(load.error, load.usage ? ErrorKind::Usage : ErrorKind::Other);
    warnings = std::move(load.warnings);
}

ScriptMonitor::ScriptMonitor(std::shared_ptr<ScriptLink> link, monitor::WatchTarget options)
    : m_link(std::move(link)), m_options(std::move(options))
{
    LoadTarget(m_options, m_table, m_warnings);
    const auto lock = m_link->Use();
    m_link->OpenForMonitoring(monitor::BaudIndex(m_options.baud));
}

const monitor::WatchItem& ScriptMonitor::Resolve(const std::string& text)
{
    std::lock_guard lock(m_itemsMutex);
    if (const auto found = m_items.find(text); found != m_items.end()) return found->second;
    monitor::ItemResolution resolved = monitor::ResolveWatchItem(m_options, m_table, text);
    if (!resolved.item) throw ScriptError::Usage(resolved.error);
    return m_items.emplace(text, std::move(*resolved.item)).first->second;
}

monitor::Reading ScriptMonitor::Read(const monitor::WatchItem& item)
{
    const auto lock = m_link->Use();
    monitor::Reading reading;
    const pod::PodOutcome outcome =
        monitor::ReadItemOnce(m_link->OpenForMonitoring(monitor::BaudIndex(m_options.baud)),
                              item.address, item.viewType, monitor::TextSpanOf(item), reading);
    if (!outcome)
        throw ScriptError::FromOutcome(
            "reading " + item.label + " failed: " + report::DescribeOutcome(outcome), outcome);
    return reading;
}

void ScriptMonitor::Write(const monitor::WatchItem& item, const monitor::WriteRequest& request)
{
    const auto lock = m_link->Use();
    monitor::Reading reading;
    if (const monitor::WriteCheck check = monitor::WriteAndReadBack(
            m_link->OpenForMonitoring(monitor::BaudIndex(m_options.baud)), m_options.types, item,
            request, reading);
        !check.failure.empty())
        throw ScriptError::FromOutcome(check.failure, check.outcome);
}

monitor::RecordResult ScriptMonitor::Record(const std::vector<std::string>& items, monitor::RecordRequest request,
                                           const monitor::RecordProgressSink& progress, monitor::Recording& recording)
{
    for (const std::string& text : items) request.items.push_back(Resolve(text));
    std::vector<monitor::RecorderChannel> channels;
    if (std::string why = monitor::RecorderChannelsOf(request.items, channels); !why.empty())
        throw ScriptError::Usage(why);
    const monitor::RecorderLookup recorder = monitor::FindRecorder(m_table, m_options.types);
    if (!recorder.place) throw ScriptError(recorder.error);
    const auto lock = m_link->Use();
    pod::PodSession& session = m_link->OpenForMonitoring(monitor::BaudIndex(m_options.baud));
    const monitor::RecordResult result = monitor::RecordCapture(session, session.clock(), m_options.types,
                                                                recorder.place->address, request, progress, recording);
    if (!result.interrupted && !result.ok())
        throw ScriptError::FromOutcome("the capture failed: " + (!result.result.refusal.empty()
                                                                     ? result.result.refusal
                                                                     : report::DescribeOutcome(result.result.outcome)),
                                       result.result.outcome);
    return result;
}

double ScriptMonitor::TimeCoreReads(const monitor::WatchItem& item, int count)
{
    const auto lock = m_link->Use();
    pod::PodSession& session = m_link->OpenForMonitoring(monitor::BaudIndex(m_options.baud));
    monitor::Reading reading;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        if (!monitor::ReadItemOnce(session, item.address, item.viewType, monitor::TextSpanOf(item), reading))
            throw ScriptError("reading " + item.label + " failed");
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / std::max(count, 1);
}

} // namespace script
