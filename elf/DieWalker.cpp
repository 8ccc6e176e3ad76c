#include "elf/DieWalker.h"

#include <dwarf.h>

namespace elf {
namespace {

// Where each attribute the readers look at is kept in a Die; -1 for the others.
int Slot(std::uint32_t attribute)
{
    switch (attribute) {
    case DW_AT_name: return 0;
    case DW_AT_type: return 1;
    case DW_AT_byte_size: return 2;
    case DW_AT_encoding: return 3;
    case DW_AT_location: return 4;
    case DW_AT_data_member_location: return 5;
    case DW_AT_bit_offset: return 6;
    case DW_AT_bit_size: return 7;
    case DW_AT_data_bit_offset: return 8;
    case DW_AT_count: return 9;
    case DW_AT_upper_bound: return 10;
    case DW_AT_lower_bound: return 11;
    case DW_AT_const_value: return 12;
    case DW_AT_address_class: return 13;
    case DW_AT_producer: return 14;
    case DW_AT_str_offsets_base: return 15;
    case DW_AT_addr_base: return 16;
    case DW_AT_abstract_origin: return 17;
    case kAtCompletes: return 18;
    case DW_AT_sibling: return 19;
    default: return -1;
    }
}

// Places of strings: the section they lie in, in the bits above any offset.
constexpr std::uint64_t kInInfo = 0;
constexpr std::uint64_t kInStr = std::uint64_t{1} << 40;
constexpr std::uint64_t kInLineStr = std::uint64_t{2} << 40;

std::optional<std::pair<std::uint64_t, std::string_view>> CStringAt(std::span<const std::uint8_t> section,
                                                                    std::uint64_t offset, std::uint64_t where)
{
    if (offset >= section.size()) return std::nullopt;
    Cursor in(section, static_cast<std::size_t>(offset));
    const auto text = in.CString();
    if (!in.ok()) return std::nullopt;
    return std::make_pair(where | offset, AsText(text));
}

} // namespace

const FormValue* Die::Get(std::uint32_t attribute) const
{
    const int slot = Slot(attribute);
    if (slot < 0) return nullptr;
    const FormValue& value = m_values[static_cast<std::size_t>(slot)];
    return value.kind == FormClass::None ? nullptr : &value;
}

void Die::Keep(std::uint32_t attribute, const FormValue& value)
{
    const int slot = Slot(attribute);
    if (slot < 0) return;
    FormValue& kept = m_values[static_cast<std::size_t>(slot)];
    if (kept.kind == FormClass::None) kept = value;
}

DieReader::DieReader(const DwarfSections& sections, std::string& problem)
    // An honest file has each entry read a few times: once in the walk over its unit,
    // once more for each type whose parts it is.
    : m_sections(sections), m_problem(problem), m_budget(16 * (sections.info.size() + sections.abbrev.size()) + 65536)
{
}

bool DieReader::Spend()
{
    if (++m_work <= m_budget) return true;
    if (m_problem.empty()) m_problem = "the entries of .debug_info nest too deeply to be read whole";
    return false;
}

bool DieReader::Damaged(std::size_t offset)
{
    if (m_problem.empty()) m_problem = "the entry at " + HexText(offset) + " of .debug_info cannot be read";
    return false;
}

const AbbrevTable* DieReader::Abbrevs(std::uint64_t offset)
{
    auto found = m_abbrevs.find(offset);
    if (found == m_abbrevs.end()) {
        if (!Spend()) return nullptr;
        std::size_t work = 0;
        auto table = AbbrevTable::Parse(m_sections.abbrev, offset, work);
        m_work += work;
        found = m_abbrevs.emplace(offset, std::move(table)).first;
    }
    return found->second ? &*found->second : nullptr;
}

bool DieReader::Read(const Unit& unit, std::size_t offset, Die& die)
{
    if (!Spend() || offset < unit.header.firstEntry || offset >= unit.header.end) return false;
    Cursor in(m_sections.info.subspan(0, unit.header.end), offset);
    const std::uint64_t code = in.Uleb();
    if (!in.ok() || code == 0) return false;
    const Abbrev* abbrev = unit.abbrevs ? unit.abbrevs->Find(code) : nullptr;
    if (!abbrev) return Damaged(offset);
    die = Die{};
    die.offset = offset;
    die.tag = abbrev->tag;
    die.children = abbrev->children;
    FormValue value;
    for (const AbbrevAttribute& attribute : abbrev->attributes) {
        if (!ReadForm(in, attribute.form, unit.form, attribute.implicitConst, value)) return Damaged(offset);
        die.Keep(attribute.name, value);
    }
    die.next = in.at();
    return true;
}

std::optional<std::pair<std::uint64_t, std::string_view>>
DieReader::TableString(std::span<const std::uint8_t> table, std::uint64_t offset, std::uint64_t where) const
{
    // The section's tag sits above any offset inside it; an offset past the table (a
    // damaged one of up to 64 bits) names no string and must not reach the key, where its
    // high bits would pose as another table's.
    if (offset >= table.size()) return std::nullopt;
    auto [slot, added] = m_strings.try_emplace(where | offset);
    if (added) {
        const auto found = CStringAt(table, offset, where);
        if (found) slot->second = found->second;
    }
    if (!slot->second) return std::nullopt;
    return std::make_pair(where | offset, *slot->second);
}

std::optional<std::pair<std::uint64_t, std::string_view>> DieReader::StrAt(std::uint64_t offset) const
{
    return TableString(m_sections.str, offset, kInStr);
}

std::optional<std::pair<std::uint64_t, std::string_view>> DieReader::String(const Unit& unit,
                                                                          const FormValue& value) const
{
    switch (value.kind) {
    case FormClass::InlineString: return std::make_pair(kInInfo | value.at, AsText(value.bytes));
    case FormClass::StrOffset: return StrAt(value.value);
    case FormClass::LineStrOffset: return TableString(m_sections.lineStr, value.value, kInLineStr);
    case FormClass::StrIndex: {
        const std::size_t size = m_sections.strOffsets.size();
        if (unit.strOffsetsBase > size || value.value > size) return std::nullopt;
        const std::uint64_t at = unit.strOffsetsBase + value.value * 4;
        Cursor in(m_sections.strOffsets, static_cast<std::size_t>(at));
        const std::uint32_t offset = in.U32();
        if (!in.ok()) return std::nullopt;
        return StrAt(offset);
    }
    default: return std::nullopt;
    }
}

std::optional<std::uint64_t> DieReader::IndexedAddress(const Unit& unit, std::uint64_t index) const
{
    const std::size_t size = unit.header.addressSize;
    if (index > m_sections.addr.size() || unit.addrBase > m_sections.addr.size()) return std::nullopt;
    Cursor in(m_sections.addr, static_cast<std::size_t>(unit.addrBase + index * size));
    const std::uint64_t address = in.Fixed(size);
    if (!in.ok()) return std::nullopt;
    return address;
}

} // namespace elf
