#pragma once

#include <dwarf.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "elf/DwarfAbbrev.h"
#include "elf/DwarfForms.h"
#include "elf/DwarfUnits.h"

namespace elf {

// The attribute (0x47) that links an entry to the declaration it completes, such as a
// variable defined after an extern declaration of it.
inline constexpr std::uint32_t kAtCompletes = 0x47;

// The sections a DWARF 2+ reader looks at, each clipped to the file.
struct DwarfSections {
    std::span<const std::uint8_t> info;
    std::span<const std::uint8_t> abbrev;
    std::span<const std::uint8_t> str;
    std::span<const std::uint8_t> lineStr;
    std::span<const std::uint8_t> strOffsets;
    std::span<const std::uint8_t> addr;
};

// A unit ready to be read: its header, abbreviations and the bases of DWARF 5's
// indexed strings and addresses.
struct Unit {
    UnitHeader header;
    FormContext form;
    const AbbrevTable* abbrevs = nullptr;
    std::uint64_t strOffsetsBase = 0;
    std::uint64_t addrBase = 0;
};

// One debugging information entry with the attributes the readers look at; the
// others are stepped over. Of an attribute given twice the first counts.
struct Die {
    std::size_t offset = 0;
    std::uint32_t tag = 0;
    bool children = false;
    std::size_t next = 0; // first byte after its attributes: its first child, if any

    const FormValue* Get(std::uint32_t attribute) const;
    bool Has(std::uint32_t attribute) const { return Get(attribute) != nullptr; }
    void Keep(std::uint32_t attribute, const FormValue& value);

private:
    static constexpr std::size_t kKept = 20; // the attributes of Slot() in DieWalker.cpp
    std::array<FormValue, kKept> m_values{};
};

enum class Visit { Recurse, Skip, Stop };

// Reads entries, their strings and their indexed addresses, and walks their trees. Every
// entry read counts against a budget of work the file's size justifies, so that a file
// whose trees nest in a way that makes the readers walk them over and over ends in a
// note instead of hours of work.
class DieReader {
public:
    DieReader(const DwarfSections& sections, std::string& problem);

    const DwarfSections& sections() const { return m_sections; }
    // The abbreviations at `offset`, read once for every unit that uses them.
    const AbbrevTable* Abbrevs(std::uint64_t offset);

    // The entry at `offset` of .debug_info in `unit`; false at a null entry, an unknown
    // abbreviation, damage (which the problem says) or when the budget is spent.
    bool Read(const Unit& unit, std::size_t offset, Die& die);

    // Hands every entry below `parent` to `visit(die, depth)` (depth 1: its children),
    // in order. Recurse goes on into the entry's children, Skip steps over them, Stop
    // ends the walk. Returns false when the walk was stopped or the tree is damaged.
    template <typename Visitor>
    bool Walk(const Unit& unit, const Die& parent, Visitor&& visit);

    // A string attribute's text and the place of its bytes in the file (one key per
    // string, whichever form and unit names it).
    std::optional<std::pair<std::uint64_t, std::string_view>> String(const Unit& unit, const FormValue& value) const;
    // The address at `index` of the unit's part of .debug_addr (DW_OP_addrx).
    std::optional<std::uint64_t> IndexedAddress(const Unit& unit, std::uint64_t index) const;

private:
    bool Spend();
    // Says that the entry at `offset` is damaged; false.
    bool Damaged(std::size_t offset);
    std::optional<std::pair<std::uint64_t, std::string_view>> StrAt(std::uint64_t offset) const;
    // A string of a string table by its place: found once, however many entries name it
    // (one of megabytes named by a thousand members is not looked through a thousand times).
    std::optional<std::pair<std::uint64_t, std::string_view>>
    TableString(std::span<const std::uint8_t> table, std::uint64_t offset, std::uint64_t where) const;

    DwarfSections m_sections;
    std::string& m_problem;
    std::size_t m_work = 0;
    std::size_t m_budget = 0;
    std::map<std::uint64_t, std::optional<AbbrevTable>> m_abbrevs;
    mutable std::unordered_map<std::uint64_t, std::optional<std::string_view>> m_strings;
};

template <typename Visitor>
bool DieReader::Walk(const Unit& unit, const Die& parent, Visitor&& visit)
{
    if (!parent.children) return true;
    std::size_t at = parent.next;
    int depth = 1;
    int skipFrom = 0; // entries this deep and deeper are stepped over; 0: none
    Die die;
    while (depth > 0) {
        Cursor in(m_sections.info.subspan(0, unit.header.end), at);
        const std::uint64_t code = in.Uleb();
        if (!in.ok()) return false;
        if (code == 0) { // null entry: the end of a list of siblings
            at = in.at();
            --depth;
            if (skipFrom > depth) skipFrom = 0;
            continue;
        }
        if (!Read(unit, at, die)) return false;
        at = die.next;
        Visit action = Visit::Skip;
        if (skipFrom == 0) {
            action = visit(die, depth);
            if (action == Visit::Stop) return false;
        }
        const bool descend = skipFrom == 0 && action == Visit::Recurse;
        // Children stepped over are jumped over where the entry says where its next
        // sibling is, as libdw and debuggers do: also when the children flag was lost.
        if (const FormValue* sibling = die.Get(DW_AT_sibling); !descend && sibling &&
            sibling->kind == FormClass::Reference && !sibling->outsideUnit && sibling->value > die.offset &&
            sibling->value < unit.header.end) {
            at = static_cast<std::size_t>(sibling->value);
            continue;
        }
        if (die.children) {
            ++depth;
            if (!descend && skipFrom == 0) skipFrom = depth;
        }
    }
    return true;
}

} // namespace elf
