#include "monitor/WatchList.h"

#include <algorithm>
#include <climits>

namespace monitor {

bool WatchList::AddSymbolWatch(const SymbolTable& table, int symbolIndex)
{
    if (symbolIndex < 0 || symbolIndex >= table.count()) return false;
    std::lock_guard lock(m_mutex);
    List& list = Of(WatchListId::Symbols);
    const SymbolEntry& entry = table.at(symbolIndex);
    for (const MonitorItem& row : list.rows) {
        // Member rows share their symbol's index; only the symbol's own row counts.
        if (row.symbolIndex == symbolIndex && row.name == entry.name) return false;
    }
    MonitorItem row;
    row.id = m_nextId++;
    row.symbolIndex = symbolIndex;
    row.name = entry.name;
    row.address = entry.address;
    row.size = entry.size;
    row.viewType = entry.viewType;
    row.extent = entry.extent;
    list.rows.push_back(std::move(row));
    return true;
}

bool WatchList::AddMemberWatch(const TypedRow& member, ViewType viewType)
{
    std::lock_guard lock(m_mutex);
    List& list = Of(WatchListId::Symbols);
    for (const MonitorItem& row : list.rows) {
        if (row.name == member.path) return false;
    }
    MonitorItem row;
    row.id = m_nextId++;
    row.symbolIndex = member.symbolIndex;
    row.name = member.path;
    row.address = member.address;
    row.size = member.sizeWords;
    row.viewType = viewType;
    row.extent = {member.lane, member.sizeBytes};
    list.rows.push_back(std::move(row));
    return true;
}

void WatchList::KeepUnresolvedLines(std::vector<std::string> lines)
{
    std::lock_guard lock(m_mutex);
    m_unresolved = std::move(lines);
}

std::vector<std::string> WatchList::UnresolvedLines() const
{
    std::lock_guard lock(m_mutex);
    return m_unresolved;
}

bool WatchList::AddAddressLocked(std::uint32_t address, ViewType viewType)
{
    List& list = Of(WatchListId::Addresses);
    for (const MonitorItem& row : list.rows) {
        if (row.address == address) return false;
    }
    MonitorItem row;
    row.id = m_nextId++;
    row.address = address;
    row.viewType = viewType;
    list.rows.push_back(std::move(row));
    return true;
}

bool WatchList::AddAddressWatch(std::uint32_t address, ViewType viewType)
{
    std::lock_guard lock(m_mutex);
    return AddAddressLocked(address, viewType);
}

int WatchList::AddAddressRun(std::uint32_t start, std::uint32_t length, ViewType viewType)
{
    const std::uint32_t step = IsTwoWordViewType(viewType) ? 2 : 1;
    const std::uint32_t rows = std::min(length, kMaxRunRows);
    std::lock_guard lock(m_mutex);
    int added = 0;
    for (std::uint32_t i = 0; i < rows; ++i) {
        added += AddAddressLocked(start + i * step, viewType) ? 1 : 0;
    }
    return added;
}

void WatchList::RemoveRows(WatchListId id, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::lock_guard lock(m_mutex);
    auto& list = Of(id).rows;
    for (int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < list.size()) list.erase(list.begin() + row);
    }
}

void WatchList::Clear(WatchListId id)
{
    std::lock_guard lock(m_mutex);
    Of(id).rows.clear();
    if (id == WatchListId::Symbols) m_unresolved.clear();
}

void WatchList::ClearAll()
{
    std::lock_guard lock(m_mutex);
    Of(WatchListId::Symbols).rows.clear();
    Of(WatchListId::Addresses).rows.clear();
    m_unresolved.clear();
}

void WatchList::SetViewType(WatchListId id, int row, ViewType viewType, SymbolTable* table)
{
    std::lock_guard lock(m_mutex);
    auto& rows = Of(id).rows;
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
    MonitorItem& r = rows[static_cast<std::size_t>(row)];
    r.viewType = viewType;
    r.valueText.clear();
    r.plotValue.reset();
    if (table != nullptr && id == WatchListId::Symbols) table->SetViewType(r.symbolIndex, viewType);
}

int WatchList::RowCount(WatchListId id) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(Of(id).rows.size());
}

std::vector<MonitorItem> WatchList::Rows(WatchListId id) const
{
    std::lock_guard lock(m_mutex);
    return Of(id).rows;
}

std::optional<MonitorItem> WatchList::Row(WatchListId id, int row) const
{
    std::lock_guard lock(m_mutex);
    const auto& rows = Of(id).rows;
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return std::nullopt;
    return rows[static_cast<std::size_t>(row)];
}

int WatchList::IndexOf(WatchListId id, std::uint64_t rowId) const
{
    std::lock_guard lock(m_mutex);
    const auto& rows = Of(id).rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == rowId) return static_cast<int>(i);
    }
    return -1;
}

void WatchList::SetVisibleRows(WatchListId id, int top, int perPage)
{
    std::lock_guard lock(m_mutex);
    Of(id).top = std::max(top, 0);
    Of(id).perPage = std::max(perPage, 0);
}

std::vector<ReadItem> WatchList::VisibleItems(WatchListId id) const
{
    std::lock_guard lock(m_mutex);
    const List& list = Of(id);
    const auto count = static_cast<long long>(list.rows.size());
    long long first = list.top;
    long long n = count;
    if (list.perPage < 0) {
        first = 0;
    } else if (count > list.perPage) {
        n = static_cast<long long>(list.perPage) + 1;
    }
    const long long end = std::min(first + n, count);
    std::vector<ReadItem> items;
    for (long long i = first; i < end; ++i) {
        const MonitorItem& row = list.rows[static_cast<std::size_t>(i)];
        items.push_back({id, row.id, row.address, row.size, row.viewType, row.extent});
    }
    return items;
}

int WatchList::StoreValue(const ReadItem& item, const std::string& text,
                          std::optional<double> plotValue)
{
    std::lock_guard lock(m_mutex);
    auto& rows = Of(item.list).rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id != item.rowId) continue;
        if (rows[i].viewType != item.viewType) return -1;
        rows[i].plotValue = plotValue;
        if (rows[i].valueText == text) return -1;
        rows[i].valueText = text;
        return static_cast<int>(i);
    }
    return -1;
}

} // namespace monitor
