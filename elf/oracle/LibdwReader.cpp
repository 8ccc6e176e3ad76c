#include "elf/oracle/LibdwReader.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <libelf.h>

#include <algorithm>
#include <string>
#include <unordered_map>

#include "elf/ElfImage.h"
#include "elf/TypeLayout.h"

namespace elf::oracle {
namespace {

void Note(DebugInfo& info, const std::string& text)
{
    if (info.problem.empty()) info.problem = text;
}

void WriteLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Whether a unit header can start at `at` of the section: a length that fits what is
// left, a DWARF version of 2 to 5 and an address size of 2, 4 or 8. A unit whose length
// is a multiple of 256 starts with a zero byte, and must not be taken for padding.
bool CanStartUnit(std::span<const std::uint8_t> all, const ElfImage::Section& section, std::size_t at)
{
    constexpr std::size_t kHeaderAfterLength = 7; // version, abbreviations, address size
    if (at + 4 + kHeaderAfterLength > section.size) return false;
    const std::size_t header = section.offset + at;
    const std::uint32_t length = ReadLe(all, header, 4);
    if (length < kHeaderAfterLength || length > section.size - at - 4) return false;
    const std::uint32_t version = ReadLe(all, header + 4, 2);
    if (version < 2 || version > 5) return false;
    // DWARF 5 puts the unit type before the address size; the older ones put the
    // abbreviation offset there.
    const std::uint32_t addressSize = ReadLe(all, header + (version == 5 ? 7 : 10), 1);
    return addressSize == 2 || addressSize == 4 || addressSize == 8;
}

// Stray zero bytes after a unit become part of it (libdw reads them as null entries),
// up to the first place a unit can start; a last unit longer than what is left of the
// section is cut to fit.
void MendUnits(std::vector<std::uint8_t>& bytes, const ElfImage::Section& section, DebugInfo& info)
{
    const std::span<const std::uint8_t> all(bytes);
    std::size_t at = 0;
    const std::size_t end = section.size;
    while (at + 11 <= end) {
        const std::size_t header = section.offset + at;
        std::uint32_t length = ReadLe(all, header, 4);
        if (length >= 0xFFFFFFF0u) return; // 64-bit DWARF: left as it is
        if (length > end - at - 4) {
            length = static_cast<std::uint32_t>(end - at - 4);
            WriteLe32(bytes, header, length);
            Note(info, "the last unit of .debug_info is cut short");
        }
        std::size_t next = at + 4 + length;
        std::size_t gap = next;
        while (gap < end && bytes[section.offset + gap] == 0 && !CanStartUnit(all, section, gap)) ++gap;
        if (gap != next) {
            WriteLe32(bytes, header, static_cast<std::uint32_t>(gap - at - 4));
            next = gap;
        }
        at = next;
    }
}

class UnitWalker {
public:
    UnitWalker(const Limits& limits, DebugInfo& info) : m_limits(limits), m_info(info) {}

    bool Full()
    {
        if (m_rows <= m_limits.maxRows) return false;
        Note(m_info, "more than " + std::to_string(m_limits.maxRows) + " entries; the rest was not read");
        return true;
    }

    void WalkScope(Dwarf_Die* parent, int depth)
    {
        if (depth > m_limits.maxDepth) {
            Note(m_info, "entries nest deeper than " + std::to_string(m_limits.maxDepth));
            return;
        }
        Dwarf_Die child;
        if (Failed(dwarf_child(parent, &child))) return;
        do {
            if (Full()) return;
            ++m_rows;
            const int tag = dwarf_tag(&child);
            if (tag == DW_TAG_variable) {
                AddVariable(&child);
            } else if (tag == DW_TAG_subprogram || tag == DW_TAG_lexical_block) {
                WalkScope(&child, depth + 1); // statics of functions
            }
        } while (!Failed(dwarf_siblingof(&child, &child)));
    }

private:
    // libdw's walks end quietly at damage (-1, where 1 is the end of a list); said
    // here so that a file libdw did not read whole is not taken for one it did.
    bool Failed(int result)
    {
        if (result < 0) Note(m_info, std::string("libdw: ") + dwarf_errmsg(-1));
        return result != 0;
    }

    // One string of the file is converted once, however many entries name it.
    elf::Name Name(Dwarf_Die* die)
    {
        const char* name = dwarf_diename(die);
        if (!name) return {};
        auto [slot, added] = m_names.try_emplace(name);
        if (added) slot->second = NameText(name);
        return slot->second;
    }

    static std::uint64_t Unsigned(Dwarf_Die* die, unsigned int at, std::uint64_t fallback = 0)
    {
        Dwarf_Attribute attr;
        Dwarf_Word value = 0;
        if (!dwarf_attr(die, at, &attr) || dwarf_formudata(&attr, &value) != 0) return fallback;
        return value;
    }

    static bool Has(Dwarf_Die* die, unsigned int at)
    {
        Dwarf_Attribute attr;
        return dwarf_attr(die, at, &attr) != nullptr;
    }

    // A member's offset: a DW_OP_plus_uconst block (DWARF 2) or a constant (later).
    static std::uint32_t MemberOffset(Dwarf_Die* die)
    {
        Dwarf_Attribute attr;
        if (!dwarf_attr(die, DW_AT_data_member_location, &attr)) return 0;
        Dwarf_Block block;
        if (dwarf_formblock(&attr, &block) == 0) {
            if (block.length < 2 || block.data[0] != DW_OP_plus_uconst) return 0;
            std::uint64_t value = 0;
            for (std::size_t i = 1, shift = 0; i < block.length && shift < 35; ++i, shift += 7) {
                value |= std::uint64_t{block.data[i] & 0x7Fu} << shift;
                if ((block.data[i] & 0x80) == 0) break;
            }
            return static_cast<std::uint32_t>(value);
        }
        Dwarf_Word value = 0;
        return dwarf_formudata(&attr, &value) == 0 ? static_cast<std::uint32_t>(value) : 0;
    }

    int TypeOf(Dwarf_Die* die, int depth)
    {
        Dwarf_Attribute attr;
        if (!dwarf_attr(die, DW_AT_type, &attr)) return -1;
        // Dead-stripped units refer to offset 0: no type, not the unit's header.
        int width = 0;
        switch (attr.form) {
        case DW_FORM_ref1:
        case DW_FORM_ref_udata: width = 1; break;
        case DW_FORM_ref2: width = 2; break;
        case DW_FORM_ref_addr:
        case DW_FORM_ref4: width = 4; break;
        case DW_FORM_ref8: width = 8; break;
        default: break;
        }
        bool zero = attr.valp != nullptr && width > 0;
        for (int i = 0; zero && i < width; ++i) zero = attr.valp[i] == 0;
        if (zero) return -1;
        Dwarf_Die target;
        if (!dwarf_formref_die(&attr, &target)) return -1;
        // A reference into a unit's header leads to no entry (libdw reads one there).
        Dwarf_Die unit;
        if (!dwarf_diecu(&target, &unit, nullptr, nullptr) || dwarf_dieoffset(&target) < dwarf_dieoffset(&unit))
            return -1;
        return Intern(&target, depth + 1);
    }

    int Intern(Dwarf_Die* die, int depth)
    {
        const Dwarf_Off offset = dwarf_dieoffset(die);
        if (const auto found = m_types.find(offset); found != m_types.end()) return found->second;
        if (depth > m_limits.maxDepth) {
            Note(m_info, "type references nest deeper than " + std::to_string(m_limits.maxDepth));
            return -1;
        }
        if (Full()) return -1;
        const int index = static_cast<int>(m_info.types.size());
        m_types.emplace(offset, index);
        m_info.types.emplace_back();
        ++m_rows;
        Type type;
        type.name = Name(die);
        type.byteSize = static_cast<std::uint32_t>(Unsigned(die, DW_AT_byte_size));
        if (dwarf_tag(die) == DW_TAG_invalid) Note(m_info, std::string("libdw: ") + dwarf_errmsg(-1));
        switch (dwarf_tag(die)) {
        case DW_TAG_base_type:
            type.kind = TypeKind::Base;
            switch (Unsigned(die, DW_AT_encoding)) {
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
            if (!Has(die, DW_AT_byte_size)) {
                Dwarf_Die unit;
                std::uint8_t addressSize = 0;
                if (dwarf_diecu(die, &unit, &addressSize, nullptr)) type.byteSize = addressSize;
            }
            type.addressClass = static_cast<std::uint8_t>(Unsigned(die, DW_AT_address_class));
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_structure_type:
        case DW_TAG_class_type:
        case DW_TAG_union_type:
            type.kind = dwarf_tag(die) == DW_TAG_union_type ? TypeKind::Union : TypeKind::Struct;
            ReadMembers(die, depth, type);
            break;
        case DW_TAG_array_type:
            ReadArray(die, depth, type);
            break;
        case DW_TAG_enumeration_type:
            type.kind = TypeKind::Enum;
            type.target = TypeOf(die, depth);
            ReadEnumerators(die, type);
            break;
        case DW_TAG_typedef:
            type.kind = TypeKind::Typedef;
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_const_type:
        case DW_TAG_volatile_type:
            type.kind = TypeKind::Qualifier;
            type.name = dwarf_tag(die) == DW_TAG_const_type ? "const" : "volatile";
            type.target = TypeOf(die, depth);
            break;
        case DW_TAG_subroutine_type:
            type.kind = TypeKind::Function;
            type.target = TypeOf(die, depth);
            break;
        default:
            break;
        }
        m_info.types[static_cast<std::size_t>(index)] = std::move(type);
        return index;
    }

    void ReadMembers(Dwarf_Die* die, int depth, Type& type)
    {
        Dwarf_Die child;
        if (Failed(dwarf_child(die, &child))) return;
        do {
            if (Full()) return;
            if (dwarf_tag(&child) != DW_TAG_member) continue;
            ++m_rows;
            Member member;
            member.name = Name(&child);
            member.type = TypeOf(&child, depth);
            member.byteOffset = MemberOffset(&child);
            if (Has(&child, DW_AT_bit_size) && !Has(&child, DW_AT_bit_offset) &&
                Has(&child, DW_AT_data_bit_offset)) {
                // Counted from the lowest bit of the struct's first byte.
                std::uint64_t unit = Unsigned(&child, DW_AT_byte_size);
                if (unit == 0) unit = ByteSize(m_info, member.type).value_or(2);
                const std::uint64_t size = Unsigned(&child, DW_AT_bit_size);
                const std::uint64_t first = Unsigned(&child, DW_AT_data_bit_offset) + 8ull * member.byteOffset;
                if (unit == 0 || unit > 4 || size == 0) continue;
                const std::uint64_t start = first / (unit * 8) * (unit * 8);
                if (first - start + size > unit * 8 || start / 8 > 0xFFFFFFFFu) continue;
                member.byteOffset = static_cast<std::uint32_t>(start / 8);
                member.unitBytes = static_cast<std::uint16_t>(unit);
                member.bitSize = static_cast<std::uint16_t>(size);
                member.bitLsb = static_cast<std::uint16_t>(first - start);
            } else if (Has(&child, DW_AT_bit_size)) {
                // Counted from the most significant bit of the storage unit.
                const auto unit = static_cast<std::uint32_t>(Unsigned(&child, DW_AT_byte_size, 2));
                const auto size = static_cast<std::uint32_t>(Unsigned(&child, DW_AT_bit_size));
                const auto msb = static_cast<std::uint32_t>(Unsigned(&child, DW_AT_bit_offset));
                if (unit == 0 || unit > 4 || size == 0 || size > unit * 8 || msb > unit * 8 - size) continue;
                member.unitBytes = static_cast<std::uint16_t>(unit);
                member.bitSize = static_cast<std::uint16_t>(size);
                member.bitLsb = static_cast<std::uint16_t>(unit * 8 - msb - size);
            }
            type.members.push_back(std::move(member));
        } while (!Failed(dwarf_siblingof(&child, &child)));
    }

    // Each subrange is one dimension; the inner ones become arrays of their own so that
    // `a[1][2]` walks as an array of arrays.
    void ReadArray(Dwarf_Die* die, int depth, Type& type)
    {
        type.kind = TypeKind::Array;
        const int element = TypeOf(die, depth);
        std::vector<std::uint32_t> counts;
        Dwarf_Die child;
        if (!Failed(dwarf_child(die, &child))) {
            do {
                if (dwarf_tag(&child) != DW_TAG_subrange_type) continue;
                std::uint64_t count = 0;
                if (Has(&child, DW_AT_count))
                    count = Unsigned(&child, DW_AT_count);
                else if (Has(&child, DW_AT_upper_bound))
                    count = Unsigned(&child, DW_AT_upper_bound) + 1 - Unsigned(&child, DW_AT_lower_bound);
                counts.push_back(static_cast<std::uint32_t>(count > 0xFFFFFFFFu ? 0xFFFFFFFFu : count));
            } while (!Failed(dwarf_siblingof(&child, &child)) && counts.size() < 8);
        }
        if (counts.empty()) counts.push_back(0);
        int inner = element;
        for (std::size_t d = counts.size() - 1; d > 0; --d) {
            Type dimension;
            dimension.kind = TypeKind::Array;
            dimension.count = counts[d];
            dimension.target = inner;
            inner = static_cast<int>(m_info.types.size());
            m_info.types.push_back(std::move(dimension));
            ++m_rows;
        }
        type.count = counts[0];
        type.target = inner;
    }

    void ReadEnumerators(Dwarf_Die* die, Type& type)
    {
        Dwarf_Die child;
        if (Failed(dwarf_child(die, &child))) return;
        do {
            if (Full()) return;
            if (dwarf_tag(&child) != DW_TAG_enumerator) continue;
            ++m_rows;
            Dwarf_Attribute attr;
            Dwarf_Sword value = 0;
            if (dwarf_attr(&child, DW_AT_const_value, &attr)) dwarf_formsdata(&attr, &value);
            type.enumerators.push_back({Name(&child), value});
        } while (!Failed(dwarf_siblingof(&child, &child)));
    }

    // DW_OP_addr and an address as wide as the block leaves room for: the unit header's
    // address size is not always the one libdw reports.
    void AddVariable(Dwarf_Die* die)
    {
        Dwarf_Attribute attr;
        Dwarf_Block block;
        if (!dwarf_attr(die, DW_AT_location, &attr) || dwarf_formblock(&attr, &block) != 0) return;
        Variable variable;
        if (block.length >= 3 && block.length <= 5 && block.data[0] == DW_OP_addr) {
            for (std::size_t i = block.length - 1; i >= 1; --i)
                variable.byteAddress = (variable.byteAddress << 8) | block.data[i];
        } else if (block.length >= 2 && block.data[0] == DW_OP_addrx && (block.data[block.length - 1] & 0x80) == 0 &&
                   std::all_of(block.data + 1, block.data + block.length - 1, [](unsigned char b) { return (b & 0x80) != 0; })) {
            // One DW_OP_addrx and nothing after it.
            Dwarf_Op* ops = nullptr;
            std::size_t count = 0;
            Dwarf_Attribute result;
            Dwarf_Addr address = 0;
            if (dwarf_getlocation(&attr, &ops, &count) != 0 || count != 1 ||
                dwarf_getlocation_attr(&attr, ops, &result) != 0 || dwarf_formaddr(&result, &address) != 0)
                return;
            variable.byteAddress = static_cast<std::uint32_t>(address);
        } else {
            return;
        }
        variable.name = Name(die);
        variable.type = TypeOf(die, 0);
        m_info.variables.push_back(std::move(variable));
    }

    const Limits& m_limits;
    DebugInfo& m_info;
    std::unordered_map<Dwarf_Off, int> m_types;
    std::unordered_map<const char*, elf::Name> m_names;
    std::size_t m_rows = 0;
};

void ReadDwarf2(std::vector<std::uint8_t>& bytes, const ElfImage& image, const Limits& limits,
                DebugInfo& info)
{
    // Cut sections are declared at the length the file holds, so that libelf hands out
    // what is there instead of refusing the section.
    for (const auto& section : image.sections()) {
        // libelf would decompress it; our reader does not, and its problem says so.
        if (section.compressed) Note(info, "section " + section.name + " is compressed");
        // libdw leaves out debug sections of a group (those of split DWARF objects).
        constexpr std::uint32_t kGroup = 0x200;
        if ((section.flags & kGroup) != 0 && section.name.starts_with(".debug"))
            Note(info, "section " + section.name + " is in a group");
        if (!section.cut) continue;
        WriteLe32(bytes, section.headerOffset + 20, section.size);
        Note(info, "section " + section.name + " is cut short");
    }
    const ElfImage::Section* debugInfo = image.Find(".debug_info");
    MendUnits(bytes, *debugInfo, info);

    elf_version(EV_CURRENT);
    Elf* file = elf_memory(reinterpret_cast<char*>(bytes.data()), bytes.size());
    if (!file) {
        Note(info, std::string("libelf: ") + elf_errmsg(-1));
        return;
    }
    Dwarf* dwarf = dwarf_begin_elf(file, DWARF_C_READ, nullptr);
    if (!dwarf) {
        Note(info, std::string("libdw: ") + dwarf_errmsg(-1));
        elf_end(file);
        return;
    }
    UnitWalker walker(limits, info);
    Dwarf_Off offset = 0;
    Dwarf_Off next = 0;
    std::size_t headerSize = 0;
    Dwarf_Half version = 0;
    Dwarf_Off abbrev = 0;
    std::uint8_t addressSize = 0;
    std::uint8_t offsetSize = 0;
    while (dwarf_next_unit(dwarf, offset, &next, &headerSize, &version, &abbrev, &addressSize,
                           &offsetSize, nullptr, nullptr) == 0) {
        if (info.dwarfVersion == 0) info.dwarfVersion = version;
        Dwarf_Die unit;
        if (dwarf_offdie(dwarf, offset + headerSize, &unit)) {
            if (info.producer.empty()) {
                Dwarf_Attribute attr;
                if (const char* producer = dwarf_formstring(dwarf_attr(&unit, DW_AT_producer, &attr)))
                    info.producer = NameText(producer);
            }
            walker.WalkScope(&unit, 0);
        } else {
            Note(info, std::string("libdw: ") + dwarf_errmsg(-1));
        }
        if (walker.Full() || next <= offset) break;
        offset = next;
    }
    if (info.dwarfVersion == 0) Note(info, "no unit of .debug_info could be read");
    dwarf_end(dwarf);
    elf_end(file);
}

} // namespace

DebugInfo ReadWithLibdw(std::span<const std::uint8_t> bytes, const Limits& limits)
{
    DebugInfo info;
    if (bytes.size() > limits.maxFileBytes) {
        info.problem = "the file is larger than " + std::to_string(limits.maxFileBytes >> 20) + " MB";
        return info;
    }
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    std::string why;
    const auto image = ElfImage::Parse(copy, why);
    if (!image) {
        info.problem = why;
        return info;
    }
    const auto* section = image->Find(".debug_info");
    if (!section) {
        info.problem = "no .debug_info";
        return info;
    }
    if (section->size == 0) {
        info.problem = "section .debug_info is empty";
        return info;
    }
    ReadDwarf2(copy, *image, limits, info);
    if (info.variables.empty() && info.problem.empty())
        info.problem = "the debug information names no variable with an address";
    for (char& c : info.problem)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return info;
}

} // namespace elf::oracle
