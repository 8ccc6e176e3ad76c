#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/ValueText.h"

namespace monitor {

// One row of a watch list. A symbol row carries its symbol's name, address and size as
// they were when it was added; an address row has no name and size 0.
struct MonitorItem {
    std::uint64_t id = 0; // unique for the life of the list; survives other rows' removal
    int symbolIndex = -1; // symbol rows only
    std::string name;     // symbol rows only
    std::uint32_t address = 0;
    std::int32_t size = 0; // words; symbol rows only
    ViewType viewType = HEX16;
    ByteExtent extent; // what the ELF says of a symbol or member row
    std::string valueText;           // "Monitor Value": empty until the first successful read
    std::optional<double> plotValue; // the number of the last reading; none for ASCII
};

// What one read of a row needs; taken by the worker under the list's lock, then read
// without it.
struct ReadItem {
    WatchListId list = WatchListId::Symbols;
    std::uint64_t rowId = 0;
    std::uint32_t address = 0;
    std::int32_t size = 0;
    ViewType viewType = HEX16;
    ByteExtent extent;
};

// The symbol watch list and the address watch list, shared by the UI thread (which edits
// them and says which rows are on screen) and the monitoring worker (which reads the
// visible rows and stores value texts). Every member takes the list's lock.
class WatchList {
public:
    // One "Add Address" adds at most this many rows.
    static constexpr std::uint32_t kMaxRunRows = 4096;

    // Appends a row for the symbol unless one is listed already; false when it was (or
    // when the index is not in the table).
    bool AddSymbolWatch(const SymbolTable& table, int symbolIndex);
    // Appends a row for a member, element or bit field of a symbol, named by its path
    // ("pConv.gain") and shown as `viewType`, unless a row of that name is listed already.
    bool AddMemberWatch(const TypedRow& member, ViewType viewType);
    // Saved symbol lines that the current map (and ELF) could not resolve: kept as read
    // and written back by the next save, so a missing ELF or a wrong map never erases a
    // saved watch. Emptied with the symbol list.
    void KeepUnresolvedLines(std::vector<std::string> lines);
    std::vector<std::string> UnresolvedLines() const;
    // Appends an address row unless the address is listed already (whatever its type).
    bool AddAddressWatch(std::uint32_t address, ViewType viewType);
    // `length` rows from `start`, two words apart for the 32-bit types and one apart
    // otherwise, skipping listed addresses; at most kMaxRunRows. Returns rows added.
    int AddAddressRun(std::uint32_t start, std::uint32_t length, ViewType viewType);
    // Removes the rows at these indices (any order, duplicates and bad indices ignored).
    void RemoveRows(WatchListId list, std::vector<int> rows);
    void Clear(WatchListId list);
    void ClearAll();
    // Sets a row's view type and forgets its value text. A symbol row passes the type on
    // to its symbol when `table` is given.
    void SetViewType(WatchListId list, int row, ViewType viewType, SymbolTable* table = nullptr);

    int RowCount(WatchListId list) const;
    std::vector<MonitorItem> Rows(WatchListId list) const;
    std::optional<MonitorItem> Row(WatchListId list, int row) const;
    // Index of the row with this id, -1 when it is gone.
    int IndexOf(WatchListId list, std::uint64_t rowId) const;

    // Which rows are on screen: the first visible row and the number of fully visible
    // ones. Until the view says otherwise every row counts as visible.
    void SetVisibleRows(WatchListId list, int top, int perPage);
    // The rows a cycle reads: from the top visible row, perPage + 1 rows (the partly
    // visible one too) when the list is longer than a page, else as many as the list
    // has, never beyond the last row.
    std::vector<ReadItem> VisibleItems(WatchListId list) const;
    // Stores a value text read for a row. Returns the row's current index when its text
    // changed; -1 when it did not, or when the row was removed or its view type changed
    // since the item was taken (the text is then dropped).
    int StoreValue(const ReadItem& item, const std::string& text,
                   std::optional<double> plotValue = std::nullopt);

private:
    struct List {
        std::vector<MonitorItem> rows;
        int top = 0;
        int perPage = -1; // -1: all rows
    };
    List& Of(WatchListId list) { return m_lists[static_cast<int>(list)]; }
    const List& Of(WatchListId list) const { return m_lists[static_cast<int>(list)]; }
    bool AddAddressLocked(std::uint32_t address, ViewType viewType);

    mutable std::mutex m_mutex;
    List m_lists[2];
    std::vector<std::string> m_unresolved;
    std::uint64_t m_nextId = 1;
};

} // namespace monitor
