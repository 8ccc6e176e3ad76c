#include "cli/PodUtilityCommands.h"

#include "cli/CliLink.h"
#include "cli/JsonText.h"
#include "image/McuOptions.h"
#include "image/McuCatalog.h"
#include "pod/AttachedDevices.h"
#include "pod/UsbDriver.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <memory>

namespace cli {

namespace {

int RunDevices(CommandContext& ctx)
{
    int exitCode = kExitOk;
    auto link = CliLink::Open(ctx, true, exitCode, false);
    if (!link) return exitCode;
    const station::Station::DeviceListing listing = link->station().ListDevices();
    if (!listing.error.empty()) {
        ctx.err << "quobin-cli: " << listing.error << '\n';
        return kExitFailed;
    }
    const std::vector<pod::AttachedDevice>& rows = listing.devices;

    if (ctx.globals.json) {
        Json devices = Json::array();
        for (const auto& row : rows)
            devices.push_back({{"index", row.index},
                               {"description", JsonText(row.description)},
                               {"serial", JsonText(row.serial)},
                               {"pod", row.isPod}});
        ctx.out << JsonLine(devices) << '\n';
        return kExitOk;
    }
    if (rows.empty()) {
        ctx.out << "No FTDI device is attached.\n";
        return kExitOk;
    }
    for (const auto& row : rows) {
        char line[200];
        std::snprintf(line, sizeof line, "%2u  %-24s %-16s%s\n", row.index,
                      ("\"" + row.description + "\"").c_str(), row.serial.c_str(),
                      row.isPod ? "  <- POD" : "");
        ctx.out << line;
    }
    return kExitOk;
}

int Finish(CommandContext& ctx, CliLink& pod, const ops::CommandResult& result)
{
    pod.TraceResult(result.ok, result.status);
    if (ctx.globals.json) {
        const Json document = {{"ok", result.ok}, {"message", JsonText(result.status)}};
        ctx.out << JsonLine(document) << '\n';
    }
    if (!result.ok) {
        ConsoleView::PrintFailure(ctx.err, result.status, result.reason, pod.driver());
        return kExitFailed;
    }
    return kExitOk;
}

int RunVersion(CommandContext& ctx)
{
    int exitCode = kExitOk;
    auto pod = CliLink::Open(ctx, ctx.globals.json, exitCode);
    if (!pod) return exitCode;
    return Finish(ctx, *pod, pod->unit().QueryVersion());
}

struct ResetOptions {
    std::string mcu;
    std::string polarity = "low";
    int delayMs = 1;
};

int RunReset(const ResetOptions& o, CommandContext& ctx)
{
    int mcu = image::kDefaultMcuType;
    if (const std::string error = image::ParseMcuOption(o.mcu, mcu); !error.empty())
        return UsageError(ctx, error);
    int delayIndex = 0;
    while (image::ResetDelayTable[static_cast<std::size_t>(delayIndex)] != o.delayMs)
        ++delayIndex;
    int exitCode = kExitOk;
    auto pod = CliLink::Open(ctx, ctx.globals.json, exitCode);
    if (!pod) return exitCode;
    return Finish(ctx, *pod, pod->unit().Reset(o.polarity == "high" ? 1 : 0, delayIndex, mcu));
}

int RunFirmwareUpdate(CommandContext& ctx)
{
    int exitCode = kExitOk;
    auto pod = CliLink::Open(ctx, ctx.globals.json, exitCode);
    if (!pod) return exitCode;
    return Finish(ctx, *pod, pod->unit().UpdateFirmware());
}

} // namespace

void AddDevicesCommand(CLI::App& app, CommandList& commands)
{
    CLI::App* sub =
        AddSubcommand(app, "devices", "List the attached FTDI devices; the POD is marked");
    commands.push_back({sub, RunDevices});
}

void AddVersionCommand(CLI::App& app, CommandList& commands)
{
    CLI::App* sub = AddSubcommand(app, "version", "Show the POD's firmware version");
    commands.push_back({sub, RunVersion});
}

void AddResetCommand(CLI::App& app, CommandList& commands)
{
    auto options = std::make_shared<ResetOptions>();
    CLI::App* sub = AddSubcommand(app, "reset", "Connect to the target and reset it");
    sub->add_option("--mcu", options->mcu, "Part name or index (default MC56F8367)");
    sub->add_option("--reset-polarity", options->polarity, "Reset polarity: low or high")
        ->check(CLI::IsMember({"low", "high"}));
    sub->add_option("--reset-delay", options->delayMs, "Reset delay in ms: 1, 10, 50, 100 or 500")
        ->check(CLI::IsMember({1, 10, 50, 100, 500}));
    commands.push_back({sub, [options](CommandContext& ctx) { return RunReset(*options, ctx); }});
}

void AddFirmwareUpdateCommand(CLI::App& app, CommandList& commands)
{
    CLI::App* sub = AddSubcommand(app, "firmware-update",
                                  "Write the firmware that Quobin carries into the POD (V1.2)");
    commands.push_back({sub, RunFirmwareUpdate});
}

} // namespace cli
