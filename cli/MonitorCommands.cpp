#include "cli/MonitorCommands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli/CliPod.h"
#include "cli/GlobalOptions.h"
#include "cli/JsonText.h"
#include "cli/WatchItems.h"
#include "image/McuCatalog.h"
#include "monitor/FracText.h"
#include "monitor/MonitorReader.h"
#include "pod/PodCommands.h"

namespace cli {

namespace {

// A reading's number: whole numbers as JSON integers, FLOAT and fractions as numbers, a
// text null.
Json JsonValue(monitor::ViewType viewType, std::optional<double> value)
{
    if (!value) return nullptr;
    if (viewType == monitor::FLOAT || viewType == monitor::FRAC16 || viewType == monitor::FRAC32)
        return *value;
    return static_cast<std::int64_t>(*value);
}

// The POD opened and set to the monitoring baud rate, as START does.
std::unique_ptr<CliPod> OpenForMonitoring(CommandContext& ctx, const MonitorOptions& o,
                                          int& exitCode)
{
    auto pod = CliPod::Open(ctx, ctx.globals.json, exitCode);
    if (!pod) return nullptr;
    if (!pod->session().EnsurePodSession(pod->view())) {
        ctx.err << "quobin-cli: " << ConsoleView::Displayed(pod->view().lastStatus()) << '\n';
        exitCode = kExitFailed;
        return nullptr;
    }
    NoteTarget(*pod, o);
    // Its answer does not matter: a POD that keeps its rate still reads memory.
    pod::CmdSetMonitorBaud(pod->session(), BaudIndex(o.baud));
    return pod;
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
    auto pod = OpenForMonitoring(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;

    Json json = Json::array();
    for (const WatchItem& item : items) {
        monitor::Reading reading;
        if (!monitor::ReadItemOnce(pod->session(), item.address, item.viewType, item.size,
                                   reading)) {
            ctx.err << "quobin-cli: reading " << item.label
                    << " failed: the POD did not answer the memory read\n";
            return kExitFailed;
        }
        if (item.typed && item.typed->viewType == item.viewType)
            reading.text = o.monitor.types.ValueText(*item.typed, reading.raw, reading.text);
        if (!ctx.globals.json) {
            ctx.out << item.label << " = " << reading.text << '\n';
            continue;
        }
        json.push_back({{"item", JsonText(item.label)},
                        {"address", item.address},
                        {"view", monitor::ViewTypeName(item.viewType)},
                        {"type", item.typed ? Json(item.typed->typeText) : Json(nullptr)},
                        {"text", reading.text},
                        {"value", JsonValue(item.viewType, reading.value)}});
    }
    if (ctx.globals.json) ctx.out << JsonLine(json) << '\n';
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
    if (item.typed && item.typed->bits) return UsageError(ctx, monitor::BitFieldWriteRefusal(*item.typed));
    if ((item.viewType == monitor::FRAC16 || item.viewType == monitor::FRAC32) &&
        !monitor::EncodeFracText(o.value, item.viewType))
        return UsageError(ctx, "cannot write to " + item.label + ": " + monitor::FracRefusal(o.value));

    monitor::WriteRequest request;
    request.viewType = item.viewType;
    request.address = item.address;
    if (item.viewType == monitor::ASCII) {
        request.text = monitor::ApplyAsciiLength(o.value, item.size);
        request.length = item.size;
        std::vector<std::uint16_t> words;
        std::string error;
        if (!monitor::AsciiWriteWordsFromUtf8(request.text, request.length, words, error))
            return UsageError(ctx,
                              "cannot write '" + o.value + "' to " + item.label + ": " + error);
    } else {
        request.value = monitor::EncodeValueText(o.value, item.viewType, item.list);
    }

    int exitCode = kExitOk;
    auto pod = OpenForMonitoring(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;
    if (!monitor::WriteOnce(pod->session(), request)) {
        ctx.err << "quobin-cli: writing " << item.label
                << " failed: the POD did not acknowledge the memory write\n";
        return kExitFailed;
    }
    monitor::Reading reading;
    if (!monitor::ReadItemOnce(pod->session(), item.address, item.viewType, item.size, reading)) {
        ctx.err << "quobin-cli: " << item.label
                << " was written but reading it back failed: the POD did not answer\n";
        return kExitFailed;
    }
    if (item.typed && item.typed->viewType == item.viewType)
        reading.text = o.monitor.types.ValueText(*item.typed, reading.raw, reading.text);
    ctx.out << item.label << " = " << reading.text << '\n';
    return kExitOk;
}

} // namespace

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
