#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor/ElfTypes.h"
#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/ViewType.h"
#include "monitor/WatchList.h"
#include "monitor/WritePolicy.h"

namespace monitor {

// What names a target's variables: the part whose RAM they lie in, the linker map and
// the ELF that types it, and the baud rate the POD monitors at, as the user gave them.
struct WatchTarget {
    std::string mcu;            // part name or index; empty: the default part
    std::string map;            // the target program's linker map; empty: addresses only
    std::string baud = "38400"; // monitoring baud rate the POD is set to
    std::string elf;            // where the types come from; empty: the map's name without .xMAP
    // What LoadWatchTarget found.
    std::uint32_t mcuType = 0;
    TypedSymbols types;
    ElfTypesLoad typesLoad;
};

// A variable a user names: a symbol of the map (or a member, element or bit field of one
// that the ELF types) or a word address "0x...", either optionally followed by ":VIEW".
struct WatchItem {
    std::string label; // as given
    WatchListId list = WatchListId::Addresses;
    int symbolIndex = -1;
    std::uint32_t address = 0;
    std::int32_t size = 0; // words; 0 for an address
    ViewType viewType = HEX16;
    std::optional<TypedRow> typed; // what the ELF says of a symbol or path name
};

// The item as a write sees it; valid while the item lives.
WriteTarget WriteTargetOf(const WatchItem& item);
// Where the item's text lies when it is read or written as ASCII.
TextSpan TextSpanOf(const WatchItem& item);

// The part and, when a map is given, its symbols and their types.
struct TargetLoad {
    bool ok = false;
    bool usage = false; // the part text names no part (a usage error)
    std::string error;  // why not ok
    std::vector<std::string> warnings; // symbols left out, lines skipped, types missing
};
TargetLoad LoadWatchTarget(WatchTarget& target, SymbolTable& table);

// An item text resolved against the map and the part's RAM windows, or why it cannot be:
// an unknown symbol (with the closest names), an unknown view type, an address outside
// the part's RAM, an ASCII address. A refusal is the user's mistake, never the target's.
struct ItemResolution {
    std::optional<WatchItem> item;
    std::string error;
};
ItemResolution ResolveWatchItem(const WatchTarget& target, const SymbolTable& table,
                                const std::string& text);

// Up to `count` symbol names closest to `name` (case-insensitive edit distance).
std::vector<std::string> ClosestSymbolNames(const SymbolTable& table, const std::string& name,
                                            std::size_t count);

// Whether the text is one of the "Monitoring Buad Rate" list's rates, and its index there.
bool IsMonitorBaud(const std::string& baud);
std::uint32_t BaudIndex(const std::string& baud);

} // namespace monitor
