#include "monitor/SymbolTable.h"

#include <algorithm>
#include <cctype>

#include "image/McuCatalog.h"

namespace monitor {

RamWindows RamWindows::ForMcu(int mcuType)
{
    if (!image::IsValidMcuType(mcuType)) return {};
    const image::McuRecord& r = image::RecordFor(mcuType);
    return {r.ramWindow1First, r.ramWindow1Last, r.ramWindow2First, r.ramWindow2Last};
}

int SymbolTable::Find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

void SymbolTable::SetViewType(int index, ViewType viewType)
{
    if (index >= 0 && index < count())
        m_entries[static_cast<std::size_t>(index)].viewType = viewType;
}

namespace {
// Case folding of ASCII letters only: the names come from C identifiers.
bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}
} // namespace

std::vector<int> SymbolTable::DisplayOrder() const
{
    std::vector<int> order(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return LessIgnoringCase(m_entries[static_cast<std::size_t>(a)].name,
                                m_entries[static_cast<std::size_t>(b)].name);
    });
    return order;
}

void SymbolTable::Assign(std::vector<SymbolEntry> entries, int dropped)
{
    m_entries = std::move(entries);
    m_dropped = dropped;
}

} // namespace monitor
