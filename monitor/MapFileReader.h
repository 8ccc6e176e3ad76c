#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/SymbolTable.h"

namespace monitor {

// A map is a text file of a few megabytes at most; anything larger is not a map, and
// reading it whole would only fill the memory.
inline constexpr std::size_t kMapFileLimit = 64u << 20;
// No map line comes near this; a longer one is skipped (and counted) rather than held.
inline constexpr std::size_t kMapLineLimit = 64u << 10;

struct MapLoadResult {
    bool ok = false;
    std::string reason; // why the file could not be read
    int count = 0;      // symbols in the table
    int dropped = 0;    // accepted symbols beyond SymbolTable::kCapacity
    int longLines = 0;  // lines longer than kMapLineLimit, skipped
};

// One line of a linker map (bytes, line end removed or not; one CR before the LF belongs
// to the line end, a further CR does not): a data symbol when the line
// is a ".bss"/".data" entry of a c, s or asm source (or its object file, "main_c.obj")
// inside the RAM windows; nullopt for every other line.
std::optional<SymbolEntry> ParseMapLine(std::string_view line, const RamWindows& windows);

// Fills `table` from the map at `path`. Only a regular file of at most kMapFileLimit
// bytes is read, and its open never waits (a FIFO is refused, not read). A file that
// cannot be read leaves the table as it was and gives the reason; any readable file
// succeeds, also with no symbol in it.
MapLoadResult LoadMapFile(const std::string& path, const RamWindows& windows, SymbolTable& table);

} // namespace monitor
