#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandContext.h"
#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/ValueText.h"

namespace CLI {
class App;
}

namespace cli {

class CliLink;

// Options of the commands that watch or change target variables.
struct MonitorOptions {
    std::string mcu;            // --mcu: whose RAM windows the map is read with
    std::string map;            // --map: the target program's linker map
    std::string baud = "38400"; // --baud: monitoring baud rate the POD is set to
    std::uint32_t mcuType = 0;
    std::string elf; // --elf: where the types come from (default: the map's name without .xMAP)
    // What LoadMonitorTarget found in the ELF; empty without one.
    monitor::TypedSymbols types;
    std::string typesStatus; // which ELF gave the types, or why none did
};

// Adds --mcu, and --map unless the command takes the map as its argument.
void AddMonitorOptions(CLI::App& sub, MonitorOptions& options, bool withMap);
// Adds --baud.
void AddBaudOption(CLI::App& sub, MonitorOptions& options);
// Index of the baud rate in the "Monitoring Buad Rate" list.
std::uint32_t BaudIndex(const std::string& baud);

// A variable named on the command line: a symbol of the map or a word address "0x...",
// either optionally followed by ":VIEW".
struct WatchItem {
    std::string label; // as given
    monitor::WatchListId list = monitor::WatchListId::Addresses;
    int symbolIndex = -1;
    std::uint32_t address = 0;
    std::int32_t size = 0; // words; 0 for an address
    monitor::ViewType viewType = monitor::HEX16;
    std::optional<monitor::TypedRow> typed; // what the ELF says of a symbol or path name
};

// The part and, when a map is given, its symbols. Returns kExitOk, or an exit status
// after printing why (the map could not be read; an unknown part).
int LoadMonitorTarget(CommandContext& ctx, MonitorOptions& options, monitor::SymbolTable& table);

// Resolves ITEM arguments against the map and the part's RAM windows. Returns kExitOk,
// or kExitUsage after printing why: an unknown symbol (with the closest names), an
// unknown view type, an address outside the part's RAM, an ASCII address.
int ResolveWatchItems(CommandContext& ctx, const MonitorOptions& options,
                      const monitor::SymbolTable& table, const std::vector<std::string>& texts,
                      std::vector<WatchItem>& items);

// LoadMonitorTarget, then ResolveWatchItems: what every command that reads or writes
// target variables starts with.
int PrepareWatchItems(CommandContext& ctx, MonitorOptions& options,
                      const std::vector<std::string>& texts, monitor::SymbolTable& table,
                      std::vector<WatchItem>& items);

// The part and the map, for the trace of a support request.
void NoteTarget(CliLink& pod, const MonitorOptions& options);

// Up to `count` symbol names closest to `name` (case-insensitive edit distance).
std::vector<std::string> ClosestSymbolNames(const monitor::SymbolTable& table,
                                            const std::string& name, std::size_t count);

} // namespace cli
