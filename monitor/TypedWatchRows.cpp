#include "monitor/TypedWatchRows.h"

#include <cstdlib>

namespace monitor {

void ShowTypedValues(const TypedSymbols& types, const std::vector<WatchItem>& items,
                     const std::vector<int>& rows, std::vector<MonitorItem>& symbolRows)
{
    for (std::size_t i = 0; i < items.size() && i < rows.size(); ++i) {
        const WatchItem& item = items[i];
        if (item.list != WatchListId::Symbols || !item.typed || item.typed->viewType != item.viewType)
            continue;
        const auto index = static_cast<std::size_t>(rows[i]);
        if (index >= symbolRows.size() || !symbolRows[index].plotValue) continue;
        MonitorItem& row = symbolRows[index];
        // Bit fields and enums are integer views, whose number is the value read.
        const auto raw = static_cast<std::uint32_t>(static_cast<std::int64_t>(*row.plotValue));
        row.valueText = types.ValueText(*item.typed, raw, row.valueText);
        if (item.typed->bits) row.plotValue = std::strtod(row.valueText.c_str(), nullptr);
    }
}

bool AddItemRow(const SymbolTable& table, const WatchItem& item, WatchList& watchList)
{
    if (item.list == WatchListId::Addresses) return watchList.AddAddressWatch(item.address, item.viewType);
    if (item.typed && item.typed->path != table.at(item.symbolIndex).name)
        return watchList.AddMemberWatch(*item.typed, item.viewType);
    return watchList.AddSymbolWatch(table, item.symbolIndex);
}

} // namespace monitor
