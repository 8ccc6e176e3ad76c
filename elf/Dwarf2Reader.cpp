#include "elf/Dwarf2Reader.h"

#include <dwarf.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "elf/DieWalker.h"
#include "elf/TypeGraphBuilder.h"
#include "elf/TypeLayout.h"

namespace elf {
namespace {

// A chain of DW_AT_abstract_origin and kAtCompletes links followed for a name; longer
// ones are damage.
constexpr int kMaxOrigins = 16;

class Dwarf2Types {
public:
    Dwarf2Types(const DwarfSections& sections, const Limits& limits, DebugInfo& info, std::size_t fileBytes)
        : m_graph(limits, info, fileBytes), m_dies(sections, info.problem), m_info(info)
    {
    }

    void ReadAll()
    {
        for (const UnitHeader& header : FindUnits(m_dies.sections().info, m_info.problem)) {
            if (m_info.dwarfVersion == 0) m_info.dwarfVersion = header.version;
            Unit unit;
            unit.header = header;
            unit.form = {header.version, header.addressSize, header.offset, header.end};
            unit.abbrevs = m_dies.Abbrevs(header.abbrevOffset);
            if (!unit.abbrevs) {
                m_graph.Note("the abbreviations of the unit at " + HexText(header.offset) +
                             " of .debug_info lie outside .debug_abbrev");
                continue;
            }
            // A unit without a readable first entry is still one that others refer into.
            Die top;
            m_dies.Read(unit, header.firstEntry, top);
            // A unit that does not say where its indexed addresses start has them at 0.
            unit.strOffsetsBase = Offset(top, DW_AT_str_offsets_base)
                                       .value_or(header.version >= 5 ? StrOffsetsTableStart(m_dies.sections().strOffsets) : 0);
            unit.addrBase = Offset(top, DW_AT_addr_base).value_or(0);
            m_units.push_back({unit, top});
        }
        for (const auto& [unit, top] : m_units) {
            if (m_info.producer.empty())
                if (const FormValue* producer = top.Get(DW_AT_producer))
                    m_info.producer = NameFrom(unit, top, *producer);
            WalkScopes(unit, top);
            if (m_graph.Full()) break;
        }
        if (m_info.dwarfVersion == 0) m_graph.Note("no unit of .debug_info could be read");
    }

private:
    // Variables at the top of a unit and, as statics, in functions and their blocks.
    void WalkScopes(const Unit& unit, const Die& top)
    {
        const int maxDepth = m_graph.limits().maxDepth;
        m_dies.Walk(unit, top, [&](const Die& die, int depth) {
            if (m_graph.Full()) return Visit::Stop;
            m_graph.CountRow();
            if (die.tag == DW_TAG_variable) {
                AddVariable(unit, die);
            } else if (die.tag == DW_TAG_subprogram || die.tag == DW_TAG_lexical_block) {
                if (depth <= maxDepth) return Visit::Recurse;
                m_graph.Note("entries nest deeper than " + std::to_string(maxDepth));
            }
            return Visit::Skip;
        });
    }

    const Unit* UnitAt(std::uint64_t offset) const
    {
        const auto after = std::upper_bound(m_units.begin(), m_units.end(), offset,
                                            [](std::uint64_t at, const auto& u) { return at < u.first.header.offset; });
        if (after == m_units.begin()) return nullptr;
        const Unit& unit = std::prev(after)->first;
        return offset < unit.header.end ? &unit : nullptr;
    }

    // The entry a reference leads to, with the unit it lies in.
    const Unit* Follow(const FormValue* value, Die& target)
    {
        if (!value || value->kind != FormClass::Reference || value->zeroReference || value->outsideUnit) return nullptr;
        const Unit* unit = UnitAt(value->value);
        if (!unit || !m_dies.Read(*unit, static_cast<std::size_t>(value->value), target)) return nullptr;
        return unit;
    }

    // The entry's name, or that of the entry it completes (a definition of a declared
    // variable, an instance of an inlined function).
    Name NameOf(const Unit& start, const Die& die)
    {
        if (const FormValue* name = die.Get(DW_AT_name)) return NameFrom(start, die, *name);
        const Unit* unit = &start;
        const Die* current = &die;
        Die hops[2]; // the entry followed to and the one before it, whose link is being read
        for (int hop = 0; hop <= kMaxOrigins; ++hop) {
            const FormValue* origin = current->Get(DW_AT_abstract_origin);
            if (!origin) origin = current->Get(kAtCompletes);
            Die& next = hops[hop % 2];
            unit = Follow(origin, next);
            if (!unit) return {};
            current = &next;
            if (const FormValue* name = current->Get(DW_AT_name)) return NameFrom(*unit, *current, *name);
        }
        return {};
    }

    Name NameFrom(const Unit& unit, const Die& die, const FormValue& name)
    {
        const auto text = m_dies.String(unit, name);
        if (!text) {
            m_graph.Note("the name of the entry at " + HexText(die.offset) + " of .debug_info lies outside its string table");
            return {};
        }
        return m_graph.NameAt(text->first, text->second);
    }

    int TypeOf(const Die& die, int depth)
    {
        const FormValue* value = die.Get(DW_AT_type);
        if (!value || value->kind != FormClass::Reference || value->zeroReference) return -1;
        if (value->outsideUnit) {
            m_graph.Note("the entry at " + HexText(die.offset) + " of .debug_info refers past the end of its unit");
            return -1;
        }
        return Intern(value->value, depth + 1);
    }

    int Intern(std::uint64_t offset, int depth)
    {
        if (const int known = m_graph.Known(offset); known >= 0) return known;
        const Unit* unit = UnitAt(offset);
        if (!unit || offset < unit->header.firstEntry || !m_graph.MayRead(depth)) return -1;
        const int index = m_graph.Reserve(offset);
        Die die;
        if (!m_dies.Read(*unit, static_cast<std::size_t>(offset), die)) return index; // unknown
        Type type;
        type.name = NameOf(*unit, die);
        type.byteSize = static_cast<std::uint32_t>(Number(die, DW_AT_byte_size).value_or(0));
        switch (die.tag) {
        case DW_TAG_base_type:
            type.kind = TypeKind::Base;
            switch (Number(die, DW_AT_encoding).value_or(0)) {
            case DW_ATE_float: type.encoding = BaseEncoding::Float; break;
            case DW_ATE_unsigned:
            case DW_ATE_unsigned_char: type.encoding = BaseEncoding::Unsigned; break;
            case DW_ATE_boolean: type.encoding = BaseEncoding::Boolean; break;
            default: type.encoding = BaseEncoding::Signed; break;
            }
            break;
        case DW_TAG_pointer_type:
        case DW_TAG_reference_type:
            type.kind = TypeKind::Pointer;
            // A compiler that gives no size means an address of the unit's size.
            if (!die.Has(DW_AT_byte_size)) type.byteSize = unit->header.addressSize;
            type.addressClass = static_cast<std::uint8_t>(Number(die, DW_AT_address_class).value_or(0));
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_structure_type:
        case DW_TAG_class_type:
        case DW_TAG_union_type:
            type.kind = die.tag == DW_TAG_union_type ? TypeKind::Union : TypeKind::Struct;
            ReadMembers(*unit, die, depth, type);
            break;
        case DW_TAG_array_type: ReadArray(*unit, die, depth, type); break;
        case DW_TAG_enumeration_type:
            type.kind = TypeKind::Enum;
            type.target = TypeOf(die, depth);
            ReadEnumerators(*unit, die, type);
            break;
        case DW_TAG_typedef:
            type.kind = TypeKind::Typedef;
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_const_type:
        case DW_TAG_volatile_type:
            type.kind = TypeKind::Qualifier;
            type.name = die.tag == DW_TAG_const_type ? "const" : "volatile";
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_subroutine_type:
            type.kind = TypeKind::Function;
            type.target = TypeOf(die, depth);
            break;
        default: break;
        }
        m_graph.Set(index, std::move(type));
        return index;
    }

    // A number an entry gives; one given in another form (damage) is said and left out.
    std::optional<std::uint64_t> Number(const Die& die, std::uint32_t attribute)
    {
        const FormValue* value = die.Get(attribute);
        std::uint64_t number = 0;
        if (!value) return std::nullopt;
        if (AsUnsigned(*value, number)) return number;
        m_graph.Note("the entry at " + HexText(die.offset) + " of .debug_info gives a number in a form that is not one");
        return std::nullopt;
    }

    std::optional<std::uint64_t> Offset(const Die& die, std::uint32_t attribute)
    {
        const FormValue* value = die.Get(attribute);
        std::uint64_t offset = 0;
        if (!value) return std::nullopt;
        if (AsSectionOffset(*value, offset)) return offset;
        m_graph.Note("the entry at " + HexText(die.offset) + " of .debug_info gives an offset in a form that is not one");
        return std::nullopt;
    }

    // A member's offset: a DW_OP_plus_uconst block (DWARF 2) or a constant (later).
    std::uint32_t MemberOffset(const Die& die)
    {
        const FormValue* location = die.Get(DW_AT_data_member_location);
        if (!location) return 0;
        if (location->kind == FormClass::Block) {
            const auto block = location->bytes;
            if (block.size() < 2 || block[0] != DW_OP_plus_uconst) return 0;
            std::uint64_t value = 0;
            for (std::size_t i = 1, shift = 0; i < block.size() && shift < 35; ++i, shift += 7) {
                value |= std::uint64_t{block[i] & 0x7Fu} << shift;
                if ((block[i] & 0x80) == 0) break;
            }
            return static_cast<std::uint32_t>(value);
        }
        return static_cast<std::uint32_t>(Number(die, DW_AT_data_member_location).value_or(0));
    }

    // The bit field's place in its storage unit, the lowest bit counted as 0. DWARF 2 and
    // 3 count DW_AT_bit_offset from the unit's most significant bit; DWARF 4's
    // DW_AT_data_bit_offset counts from the first bit of the struct, which on this
    // little-endian target is the lowest bit of its first byte. False when the field
    // does not fit the unit.
    bool PlaceBitField(const Die& die, Member& member)
    {
        const auto size = static_cast<std::uint32_t>(Number(die, DW_AT_bit_size).value_or(0));
        if (!die.Has(DW_AT_bit_offset) && die.Has(DW_AT_data_bit_offset)) {
            std::uint64_t unit = Number(die, DW_AT_byte_size).value_or(0);
            if (unit == 0) unit = ByteSize(m_info, member.type).value_or(2);
            if (unit == 0 || unit > 4 || size == 0) return false;
            const std::uint64_t bits = unit * 8;
            const std::uint64_t first = Number(die, DW_AT_data_bit_offset).value_or(0) + 8ull * member.byteOffset;
            const std::uint64_t start = first / bits * bits;
            if (first - start + size > bits || start / 8 > 0xFFFFFFFFu) return false;
            member.byteOffset = static_cast<std::uint32_t>(start / 8);
            member.unitBytes = static_cast<std::uint16_t>(unit);
            member.bitSize = static_cast<std::uint16_t>(size);
            member.bitLsb = static_cast<std::uint16_t>(first - start);
            return true;
        }
        const auto unit = static_cast<std::uint32_t>(Number(die, DW_AT_byte_size).value_or(2));
        const auto msb = static_cast<std::uint32_t>(Number(die, DW_AT_bit_offset).value_or(0));
        if (unit == 0 || unit > 4 || size == 0 || size > unit * 8 || msb > unit * 8 - size) return false;
        member.unitBytes = static_cast<std::uint16_t>(unit);
        member.bitSize = static_cast<std::uint16_t>(size);
        member.bitLsb = static_cast<std::uint16_t>(unit * 8 - msb - size);
        return true;
    }

    void ReadMembers(const Unit& unit, const Die& parent, int depth, Type& type)
    {
        m_dies.Walk(unit, parent, [&](const Die& die, int) {
            if (m_graph.Full()) return Visit::Stop;
            if (die.tag != DW_TAG_member) return Visit::Skip;
            m_graph.CountRow();
            Member member;
            member.name = NameOf(unit, die);
            member.type = TypeOf(die, depth);
            member.byteOffset = MemberOffset(die);
            if (die.Has(DW_AT_bit_size) && !PlaceBitField(die, member)) return Visit::Skip;
            type.members.push_back(std::move(member));
            return Visit::Skip;
        });
    }

    void ReadArray(const Unit& unit, const Die& parent, int depth, Type& type)
    {
        constexpr std::size_t kMaxDimensions = 8;
        const int element = TypeOf(parent, depth);
        std::vector<std::uint32_t> counts;
        m_dies.Walk(unit, parent, [&](const Die& die, int) {
            if (die.tag != DW_TAG_subrange_type) return Visit::Skip;
            std::uint64_t count = 0;
            if (die.Has(DW_AT_count))
                count = Number(die, DW_AT_count).value_or(0);
            else if (die.Has(DW_AT_upper_bound))
                count = Number(die, DW_AT_upper_bound).value_or(0) + 1 - Number(die, DW_AT_lower_bound).value_or(0);
            counts.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu)));
            return counts.size() < kMaxDimensions ? Visit::Skip : Visit::Stop;
        });
        if (counts.empty()) counts.push_back(0);
        m_graph.Dimensions(counts, element, type);
    }

    void ReadEnumerators(const Unit& unit, const Die& parent, Type& type)
    {
        m_dies.Walk(unit, parent, [&](const Die& die, int) {
            if (m_graph.Full()) return Visit::Stop;
            if (die.tag != DW_TAG_enumerator) return Visit::Skip;
            m_graph.CountRow();
            std::int64_t value = 0;
            if (const FormValue* constant = die.Get(DW_AT_const_value); constant && !AsSigned(*constant, value))
                m_graph.Note("the enumerator at " + HexText(die.offset) + " of .debug_info has no number");
            type.enumerators.push_back({NameOf(unit, die), value});
            return Visit::Skip;
        });
    }

    // DW_OP_addr and an address as wide as the block leaves room for (the unit header's
    // address size is not always the data's), or DWARF 5's DW_OP_addrx.
    void AddVariable(const Unit& unit, const Die& die)
    {
        const FormValue* location = die.Get(DW_AT_location);
        if (!location || location->kind != FormClass::Block) return;
        const auto block = location->bytes;
        Variable variable;
        if (block.size() >= 3 && block.size() <= 5 && block[0] == DW_OP_addr) {
            for (std::size_t i = block.size() - 1; i >= 1; --i)
                variable.byteAddress = (variable.byteAddress << 8) | block[i];
        } else if (block.size() >= 2 && block[0] == DW_OP_addrx) {
            Cursor in(block, 1);
            const std::uint64_t index = in.Uleb();
            if (!in.ok() || in.left() != 0) return;
            const auto address = m_dies.IndexedAddress(unit, index);
            if (!address) {
                m_graph.Note("the address of the entry at " + HexText(die.offset) + " of .debug_info lies outside .debug_addr");
                return;
            }
            variable.byteAddress = static_cast<std::uint32_t>(*address);
        } else {
            return;
        }
        variable.name = NameOf(unit, die);
        variable.type = TypeOf(die, 0);
        m_info.variables.push_back(std::move(variable));
    }

    TypeGraphBuilder m_graph;
    DieReader m_dies;
    DebugInfo& m_info;
    std::vector<std::pair<Unit, Die>> m_units;
};

// The toolchains of this target never compress their debug sections; a compressed one
// is read as missing rather than as its compressed bytes.
std::span<const std::uint8_t> SectionBytes(const ElfImage& image, const char* name, DebugInfo& info)
{
    const ElfImage::Section* section = image.Find(name);
    if (!section) return {};
    if (section->compressed) {
        if (info.problem.empty()) info.problem = "section " + section->name + " is compressed, which is not read";
        return {};
    }
    return image.Bytes(*section);
}

} // namespace

void ReadDwarf2(std::span<const std::uint8_t> file, const ElfImage& image, const Limits& limits, DebugInfo& info)
{
    for (const auto& section : image.sections())
        if (section.cut && info.problem.empty()) info.problem = "section " + section.name + " is cut short";
    DwarfSections sections;
    sections.info = SectionBytes(image, ".debug_info", info);
    sections.abbrev = SectionBytes(image, ".debug_abbrev", info);
    sections.str = SectionBytes(image, ".debug_str", info);
    sections.lineStr = SectionBytes(image, ".debug_line_str", info);
    sections.strOffsets = SectionBytes(image, ".debug_str_offsets", info);
    sections.addr = SectionBytes(image, ".debug_addr", info);
    Dwarf2Types(sections, limits, info, file.size()).ReadAll();
}

} // namespace elf
