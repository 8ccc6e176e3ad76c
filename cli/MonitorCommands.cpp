#include "cli/MonitorCommands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "monitor/CheckedWrite.h"
#include "cli/CliLink.h"
#include "cli/GlobalOptions.h"
#include "cli/JsonText.h"
#include "cli/WatchItems.h"
#include "image/McuCatalog.h"
#include "monitor/MonitorReader.h"
#include "monitor/Latin1Text.h"
#include "pod/PodCommands.h"
#include "report/OutcomeText.h"
#include "report/SessionReport.h"

namespace cli {

namespace {

// A reading's number: whole numbers as JSON integers, FLOAT and fractions as numbers, a
// text null.
Json JsonValue(monitor::ViewType viewType, std::optional<double> value)
{
    if (!value) return nullptr;
    if (!monitor::HasWholeValues(viewType)) return *value;
    return static_cast<std::int64_t>(*value);
}

// Prints why a command on target memory failed and ends the trace with it.
int Failed(CommandContext& ctx, CliLink& pod, const std::string& text)
{
    ctx.err << "quobin-cli: " << text << '\n';
    pod.TraceResult(false, text);
    return kExitFailed;
}

struct ReadOptions {
    MonitorOptions monitor;
    std::vector<std::string> items;
};

int RunRead(ReadOptions& o, CommandContext& ctx)
{
    monitor::SymbolTable table;
    std::vector<WatchItem> items;
    if (const int status = PrepareWatchItems(ctx, o.monitor, o.items, table, items);
        status != kExitOk)
        return status;
    int exitCode = kExitOk;
    auto pod = OpenPodAtMonitorBaud(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;

    Json json = Json::array();
    std::string lines;
    for (const WatchItem& item : items) {
        monitor::Reading reading;
        const pod::PodOutcome outcome = monitor::ReadItemOnce(
            pod->session(), item.address, item.viewType, monitor::TextSpanOf(item), reading);
        if (!outcome)
            return Failed(ctx, *pod,
                          "reading " + item.label + " failed: " + report::DescribeOutcome(outcome));
        reading.text = o.monitor.types.ShownText(item.typed ? &*item.typed : nullptr,
                                                 item.viewType, reading.raw, reading.text);
        lines += item.label + " = " + reading.text + '\n';
        json.push_back({{"item", JsonText(item.label)},
                        {"address", item.address},
                        {"view", monitor::ViewTypeName(item.viewType)},
                        {"type", item.typed ? Json(item.typed->typeText) : Json(nullptr)},
                        {"text", reading.text},
                        {"value", JsonValue(item.viewType, reading.value)}});
    }
    // Printed only once every item was read, so a failure never leaves half a result.
    if (ctx.globals.json)
        ctx.out << JsonLine(json) << '\n';
    else
        ctx.out << lines;
    pod->TraceResult(true, std::to_string(items.size()) + " items read");
    return kExitOk;
}

struct WriteOptions {
    MonitorOptions monitor;
    std::string item;
    std::string value;
};

int RunWrite(WriteOptions& o, CommandContext& ctx)
{
    monitor::SymbolTable table;
    std::vector<WatchItem> items;
    if (const int status = PrepareWatchItems(ctx, o.monitor, {o.item}, table, items);
        status != kExitOk)
        return status;
    const WatchItem& item = items.front();
    const monitor::WritePlan plan = monitor::PrepareWrite(monitor::WriteTargetOf(item), o.value);
    if (!plan.request) return UsageError(ctx, plan.refusal);

    int exitCode = kExitOk;
    auto pod = OpenPodAtMonitorBaud(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;
    monitor::Reading reading;
    if (const monitor::WriteCheck check =
            monitor::WriteAndReadBack(pod->session(), o.monitor.types, item, *plan.request, reading);
        !check.failure.empty())
        return Failed(ctx, *pod, check.failure);
    ctx.out << item.label << " = " << reading.text << '\n';
    pod->TraceResult(true, item.label + " = " + reading.text);
    return kExitOk;
}

} // namespace

std::unique_ptr<CliLink> OpenPodAtMonitorBaud(CommandContext& ctx, const MonitorOptions& o,
                                          int& exitCode)
{
    auto pod = OpenPodForMonitoring(ctx, o, exitCode);
    if (!pod) return nullptr;
    // A POD that keeps its rate still reads memory, so a refusal does not end the
    // command; a late answer to it cannot pass for the next reply (the command purges).
    if (const pod::PodOutcome baud = pod::CmdSetMonitorBaud(pod->session(), monitor::BaudIndex(o.baud));
        !baud)
        pod->TraceNote("monitoring baud rate not set: " + report::DescribeOutcome(baud));
    return pod;
}

std::unique_ptr<CliLink> OpenPodForMonitoring(CommandContext& ctx, const MonitorOptions& options,
                                             int& exitCode)
{
    auto pod = CliLink::Open(ctx, ctx.globals.json, exitCode);
    if (!pod) return nullptr;
    if (const ops::CommandResult opened = pod->unit().OpenPod(); !opened.ok) {
        ctx.err << "quobin-cli: " << opened.status << '\n';
        pod->TraceResult(false, opened.status);
        exitCode = kExitFailed;
        return nullptr;
    }
    NoteTarget(*pod, options);
    return pod;
}

void AddReadCommand(CLI::App& app, CommandList& commands)
{
    auto o = std::make_shared<ReadOptions>();
    CLI::App* sub = AddSubcommand(
        app, "read", "Read target variables once: ITEM is a symbol or 0xADDRESS, with :VIEW");
    sub->add_option("item", o->items, "Symbol name or word address, optionally :VIEW")->required();
    AddMonitorOptions(*sub, o->monitor, true);
    AddBaudOption(*sub, o->monitor);
    commands.push_back({sub, [o](CommandContext& ctx) { return RunRead(*o, ctx); }});
}

void AddWriteCommand(CLI::App& app, CommandList& commands)
{
    auto o = std::make_shared<WriteOptions>();
    CLI::App* sub = AddSubcommand(
        app, "write", "Change a target variable as Change Value does, then read it back");
    sub->add_option("item", o->item, "Symbol name or word address, optionally :VIEW")->required();
    sub->add_option("value", o->value, "New value (hexadecimal for the HEX and byte types)")
        ->required();
    AddMonitorOptions(*sub, o->monitor, true);
    AddBaudOption(*sub, o->monitor);
    commands.push_back({sub, [o](CommandContext& ctx) { return RunWrite(*o, ctx); }});
}

} // namespace cli
