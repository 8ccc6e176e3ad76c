#include "cli/WatchItems.h"

#include <CLI/CLI.hpp>

#include "platform/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <iterator>

#include "cli/CliLink.h"
#include "image/McuCatalog.h"
#include "monitor/MonitorWorker.h"

namespace cli {

void AddMonitorOptions(CLI::App& sub, MonitorOptions& options, bool withMap)
{
    sub.add_option("--mcu", options.mcu,
                   "Part whose RAM the variables lie in, name or index (default MC56F8367)");
    if (withMap) sub.add_option("--map", options.map, "Linker map (.xMAP) that names the symbols");
    sub.add_option("--elf", options.elf,
                   "ELF file with the symbols' C types (default: the map's path without its "
                   "last extension, when it exists)");
}

void AddBaudOption(CLI::App& sub, MonitorOptions& options)
{
    sub.add_option("--baud", options.baud, "Monitoring baud rate of the POD (default 38400)")
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(monitor::kMonitorBaudTexts),
                                                       std::end(monitor::kMonitorBaudTexts))));
}

int LoadMonitorTarget(CommandContext& ctx, MonitorOptions& options, monitor::SymbolTable& table)
{
    const monitor::TargetLoad load = monitor::LoadWatchTarget(options, table);
    if (load.usage) return UsageError(ctx, load.error);
    if (!load.ok) {
        ctx.err << "quobin-cli: " << load.error << '\n';
        return kExitFailed;
    }
    for (const std::string& warning : load.warnings)
        ctx.err << "quobin-cli: warning: " << warning << '\n';
    return kExitOk;
}

void NoteTarget(CliLink& pod, const MonitorOptions& options)
{
    pod.TraceNote(std::string("part: ") + image::RecordFor(static_cast<int>(options.mcuType)).name);
    if (!options.map.empty()) pod.TraceNote("map: " + options.map);
}

int PrepareWatchItems(CommandContext& ctx, MonitorOptions& options,
                      const std::vector<std::string>& texts, monitor::SymbolTable& table,
                      std::vector<WatchItem>& items)
{
    const int status = LoadMonitorTarget(ctx, options, table);
    return status != kExitOk ? status : ResolveWatchItems(ctx, options, table, texts, items);
}

int ResolveWatchItems(CommandContext& ctx, const MonitorOptions& options,
                      const monitor::SymbolTable& table, const std::vector<std::string>& texts,
                      std::vector<WatchItem>& items)
{
    for (const std::string& text : texts) {
        monitor::ItemResolution resolved = monitor::ResolveWatchItem(options, table, text);
        if (!resolved.item) return UsageError(ctx, resolved.error);
        items.push_back(std::move(*resolved.item));
    }
    return kExitOk;
}

bool OpenCsvOutput(CommandContext& ctx, const std::string& path, std::ofstream& file, std::ostream*& csv)
{
    csv = nullptr;
    if (path == "-") {
        csv = &ctx.out;
    } else if (!path.empty()) {
        file.open(platform::PathFromUtf8(path), std::ios::binary | std::ios::trunc);
        if (!file) {
            ctx.err << "quobin-cli: cannot write " << path << ": " << std::strerror(errno) << '\n';
            return false;
        }
        csv = &file;
    }
    return true;
}

int CsvOutputFailed(CommandContext& ctx, const std::string& path)
{
    const int error = errno;
    ctx.err << "quobin-cli: cannot write " << (path == "-" ? "the CSV output" : path) << ": "
            << (error != 0 ? std::strerror(error) : "write failed") << '\n';
    return kExitFailed;
}

} // namespace cli
