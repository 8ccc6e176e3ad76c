#pragma once

#include <vector>

#include "monitor/WatchTarget.h"
#include "monitor/WatchList.h"

namespace monitor {

// Puts the typed items' own values into the symbol rows of one cycle: a bit field's bits
// instead of its whole word (text and number), an enum's number with its name. Rows
// shown with another view type than their C type's stay as they are.
void ShowTypedValues(const TypedSymbols& types, const std::vector<WatchItem>& items,
                     const std::vector<int>& rows, std::vector<MonitorItem>& symbolRows);

// Adds an item's row to `watchList`: its symbol's row, or a member row under its path
// name. False when that row is listed already.
bool AddItemRow(const SymbolTable& table, const WatchItem& item, WatchList& watchList);

} // namespace monitor
