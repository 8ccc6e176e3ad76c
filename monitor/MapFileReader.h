#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "monitor/SymbolTable.h"

namespace monitor {

struct MapLoadResult {
    bool ok = false;
    std::string reason; // the system's reason when the file could not be opened
    int count = 0;      // symbols in the table
    int dropped = 0;    // accepted symbols beyond SymbolTable::kCapacity
};

// One line of a linker map (bytes, line end removed or not): a data symbol when the line
// is a ".bss"/".data" entry of a c, s or asm source (or its object file, "main_c.obj")
// inside the RAM windows; nullopt for every other line.
std::optional<SymbolEntry> ParseMapLine(std::string_view line, const RamWindows& windows);

// Fills `table` from the map at `path`. A file that cannot be opened leaves the table as
// it was and gives the reason; any readable file succeeds, also with no symbol in it.
MapLoadResult LoadMapFile(const std::string& path, const RamWindows& windows, SymbolTable& table);

} // namespace monitor
