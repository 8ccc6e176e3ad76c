#pragma once

#include <string>

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/WatchList.h"

namespace monitor {

// The watch lists are kept beside the map: "app.xMAP" keeps them in "app.Mon". A path
// whose file name has no "." gets ".Mon" appended ("app" -> "app.Mon").
std::string WatchListPath(const std::string& mapPath);

// Writes both lists to the map's .Mon file: line "symbols,addresses", then "name,type" per
// symbol row and "0x%06X,type" per address row, CR LF, Latin-1. Nothing is written when
// both lists are empty (an older file stays, so removed rows come back) or when the map
// itself does not exist. The text goes to a temporary file first and replaces the old
// one only when complete, so a crash or a full disk never leaves half a list. Best
// effort: false when it could not be written, with the system's reason in `reason`.
bool SaveWatchList(const std::string& mapPath, const WatchList& watchList,
                   std::string* reason = nullptr);

// Empties both lists, then fills them from the map's .Mon file: symbol lines whose name
// is in `table` (first match) with their saved view type, member lines whose path `types`
// resolves, and address lines. Symbol lines resolved by neither are kept in the list
// unchanged for the next save. A missing or short file restores what it holds; type
// numbers outside 0..11 restore as HEX16.
void RestoreWatchList(const std::string& mapPath, const SymbolTable& table, WatchList& watchList,
                      const TypedSymbols* types = nullptr);

} // namespace monitor
