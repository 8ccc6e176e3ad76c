#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "monitor/TextSpan.h"
#include "monitor/ViewType.h"

namespace monitor {

// The two RAM windows of a part (program-space and data-space RAM), word addresses,
// both ends inclusive. Only symbols inside them can be read through the POD.
struct RamWindows {
    std::uint32_t ramWindow1First = 0;
    std::uint32_t ramWindow1Last = 0;
    std::uint32_t ramWindow2First = 0;
    std::uint32_t ramWindow2Last = 0;

    bool Contains(std::uint32_t address) const
    {
        return (address >= ramWindow1First && address <= ramWindow1Last) ||
               (address >= ramWindow2First && address <= ramWindow2Last);
    }
    // The windows of catalogue part `mcuType` (0..27); all zero for another number.
    static RamWindows ForMcu(int mcuType);
};

struct SymbolEntry {
    SymbolEntry() = default;
    SymbolEntry(std::string name, std::uint32_t address, std::int32_t size, ViewType viewType)
        : name(std::move(name)), address(address), size(size), viewType(viewType)
    {
    }

    std::string name;          // UTF-8, the map's name without its prefix character
    std::uint32_t address = 0; // word address
    std::int32_t size = 0;     // in 16-bit words
    ViewType viewType = HEX16;
    ByteExtent extent;         // set when the ELF types the symbol
};

// The data symbols of the loaded map, in file order (duplicates kept). Indices stay valid
// until the next successful load. Owned and used by one thread (the window's or the
// command line's); the monitoring worker never reads it.
class SymbolTable {
public:
    // The table keeps at most this many symbols; further ones are counted in dropped().
    static constexpr int kCapacity = 1000;

    int count() const { return static_cast<int>(m_entries.size()); }
    bool empty() const { return m_entries.empty(); }
    const SymbolEntry& at(int index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    const std::vector<SymbolEntry>& entries() const { return m_entries; }
    // Accepted symbols of the last load that did not fit.
    int dropped() const { return m_dropped; }

    // Index of the first symbol with exactly this name, -1 if none.
    int Find(std::string_view name) const;
    void SetViewType(int index, ViewType viewType);
    // Symbol indices in the order the symbol list shows them: names compared without
    // regard to case, equal names in table order.
    std::vector<int> DisplayOrder() const;

    void Assign(std::vector<SymbolEntry> entries, int dropped);

private:
    std::vector<SymbolEntry> m_entries;
    int m_dropped = 0;
};

} // namespace monitor
