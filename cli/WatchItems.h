#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "cli/CommandContext.h"
#include "monitor/SymbolTable.h"
#include "monitor/WatchTarget.h"

namespace CLI {
class App;
}

namespace cli {

class CliLink;

// The options of the commands that watch or change target variables: --mcu, --map,
// --elf and --baud fill the target.
using MonitorOptions = monitor::WatchTarget;
using monitor::WatchItem;

// Adds --mcu and --elf, and --map unless the command takes the map as its argument.
void AddMonitorOptions(CLI::App& sub, MonitorOptions& options, bool withMap);
// Adds --baud.
void AddBaudOption(CLI::App& sub, MonitorOptions& options);

// The part and, when a map is given, its symbols. Returns kExitOk, or an exit status
// after printing why (the map could not be read; an unknown part); warnings are printed.
int LoadMonitorTarget(CommandContext& ctx, MonitorOptions& options, monitor::SymbolTable& table);

// Resolves ITEM arguments. Returns kExitOk, or kExitUsage after printing why.
int ResolveWatchItems(CommandContext& ctx, const MonitorOptions& options,
                      const monitor::SymbolTable& table, const std::vector<std::string>& texts,
                      std::vector<WatchItem>& items);

// LoadMonitorTarget, then ResolveWatchItems: what every command that reads or writes
// target variables starts with.
int PrepareWatchItems(CommandContext& ctx, MonitorOptions& options,
                      const std::vector<std::string>& texts, monitor::SymbolTable& table,
                      std::vector<WatchItem>& items);

// Where a command's CSV goes for --csv PATH: nowhere (empty), standard output ("-"), or
// the file, which is made here; false after printing why it cannot be.
bool OpenCsvOutput(CommandContext& ctx, const std::string& path, std::ofstream& file, std::ostream*& csv);
// Prints why writing the CSV failed (errno's reason); returns kExitFailed.
int CsvOutputFailed(CommandContext& ctx, const std::string& path);

// The part and the map, for the trace of a support request.
void NoteTarget(CliLink& pod, const MonitorOptions& options);

} // namespace cli
