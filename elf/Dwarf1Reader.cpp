#include "elf/Dwarf1Reader.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "elf/Dwarf1.h"
#include "elf/ElfImage.h"
#include "elf/TypeGraphBuilder.h"
#include "elf/TypeLayout.h"

namespace elf {
namespace {

using namespace dwarf1;

struct Entry {
    std::uint32_t offset = 0;
    std::uint32_t end = 0; // first byte after the entry
    bool null = false;
    std::uint16_t tag = 0;
    std::uint32_t sibling = 0;
    std::uint32_t nameAt = 0; // where the name's bytes lie in the section
    std::string_view name;
    std::optional<std::uint32_t> byteSize;
    std::uint32_t bitOffset = 0;
    std::uint32_t bitSize = 0;
    std::span<const std::uint8_t> location;
    std::span<const std::uint8_t> subscripts;
    std::span<const std::uint8_t> elements;
    // The type: one of the four type attributes, kept whole for TypeSpec.
    std::uint16_t typeAttribute = 0;
    std::uint32_t typeValue = 0;
    std::span<const std::uint8_t> typeBlock;
    std::string_view producer;
};

struct FundInfo {
    const char* name;
    std::uint32_t size;
    BaseEncoding encoding;
};

std::optional<FundInfo> Fundamental(std::uint16_t code)
{
    switch (code) {
    case FT_char:
    case FT_signed_char: return FundInfo{code == FT_char ? "char" : "signed char", 1, BaseEncoding::Signed};
    case FT_unsigned_char: return FundInfo{"unsigned char", 1, BaseEncoding::Unsigned};
    case FT_short:
    case FT_signed_short: return FundInfo{"short", 2, BaseEncoding::Signed};
    case FT_unsigned_short: return FundInfo{"unsigned short", 2, BaseEncoding::Unsigned};
    case FT_integer:
    case FT_signed_integer: return FundInfo{"int", 2, BaseEncoding::Signed};
    case FT_unsigned_integer: return FundInfo{"unsigned int", 2, BaseEncoding::Unsigned};
    case FT_long:
    case FT_signed_long: return FundInfo{"long", 4, BaseEncoding::Signed};
    case FT_unsigned_long: return FundInfo{"unsigned long", 4, BaseEncoding::Unsigned};
    case FT_float: return FundInfo{"float", 4, BaseEncoding::Float};
    case FT_dbl_prec_float: return FundInfo{"double", 4, BaseEncoding::Float};
    case FT_ext_prec_float: return FundInfo{"long double", 4, BaseEncoding::Float};
    case FT_boolean: return FundInfo{"bool", 1, BaseEncoding::Boolean};
    case FT_void: return FundInfo{"void", 0, BaseEncoding::Signed};
    default: return std::nullopt;
    }
}

class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, const Limits& limits, DebugInfo& info)
        : m_bytes(bytes), m_graph(limits, info, bytes.size()), m_info(info)
    {
    }

    void ReadAll()
    {
        std::uint32_t at = 0;
        while (at + 4 <= m_bytes.size()) {
            if (m_graph.Full()) return;
            m_graph.CountRow();
            const Entry entry = Parse(at);
            if (!entry.null) {
                if (entry.tag == TAG_compile_unit && m_info.producer.empty()) m_info.producer = NameText(entry.producer);
                if (entry.tag == TAG_global_variable || entry.tag == TAG_local_variable) AddVariable(entry);
            }
            at = entry.end;
        }
    }

private:
    std::uint32_t Le(std::span<const std::uint8_t> bytes, std::size_t at, int width) const
    {
        return ReadLe(bytes, at, width);
    }

    // One entry; an entry shorter than its header is a null entry. Attributes that run
    // past the entry's end are dropped with the rest of it.
    Entry Parse(std::uint32_t at) const
    {
        Entry entry;
        entry.offset = at;
        const std::uint32_t length = Le(m_bytes, at, 4);
        const std::size_t left = m_bytes.size() - at;
        entry.end = at + static_cast<std::uint32_t>(std::clamp<std::size_t>(length, 4, left));
        if (length < 6 || at + 6 > entry.end) {
            entry.null = true;
            return entry;
        }
        entry.tag = static_cast<std::uint16_t>(Le(m_bytes, at + 4, 2));
        const auto body = m_bytes.subspan(0, entry.end);
        std::size_t p = at + 6;
        while (p + 2 <= entry.end) {
            const auto attribute = static_cast<std::uint16_t>(Le(body, p, 2));
            p += 2;
            std::uint32_t value = 0;
            std::span<const std::uint8_t> block;
            std::string_view text;
            std::size_t textAt = 0;
            std::size_t width = 0;
            switch (attribute & 0xF) {
            case FORM_ADDR:
            case FORM_REF:
            case FORM_DATA4: width = 4; break;
            case FORM_DATA2: width = 2; break;
            case FORM_DATA8: width = 8; break;
            case FORM_BLOCK2:
            case FORM_BLOCK4: {
                const int lengthWidth = (attribute & 0xF) == FORM_BLOCK2 ? 2 : 4;
                if (p + lengthWidth > entry.end) return entry;
                const std::size_t size = Le(body, p, lengthWidth);
                p += static_cast<std::size_t>(lengthWidth);
                if (size > entry.end - p) return entry;
                block = body.subspan(p, size);
                width = size;
                break;
            }
            case FORM_STRING: {
                std::size_t z = p;
                while (z < entry.end && body[z] != 0) ++z;
                if (z == entry.end) return entry;
                text = std::string_view(reinterpret_cast<const char*>(body.data() + p), z - p);
                textAt = p;
                width = z - p + 1;
                break;
            }
            default: return entry;
            }
            if (width > entry.end - p) return entry;
            if (width == 2 || width == 4) {
                if ((attribute & 0xF) != FORM_BLOCK2 && (attribute & 0xF) != FORM_BLOCK4 &&
                    (attribute & 0xF) != FORM_STRING)
                    value = Le(body, p, static_cast<int>(width));
            }
            p += width;
            switch (attribute) {
            case AT_sibling: entry.sibling = value; break;
            case AT_name:
                entry.name = text;
                entry.nameAt = static_cast<std::uint32_t>(textAt);
                break;
            case AT_producer: entry.producer = text; break;
            case AT_byte_size: entry.byteSize = value; break;
            case AT_bit_offset: entry.bitOffset = value; break;
            case AT_bit_size: entry.bitSize = value; break;
            case AT_location: entry.location = block; break;
            case AT_subscr_data: entry.subscripts = block; break;
            case AT_element_list:
            case AT_short_element_list:
                entry.elements = block;
                break;
            case AT_fund_type:
            case AT_user_def_type:
            case AT_mod_fund_type:
            case AT_mod_u_d_type:
                entry.typeAttribute = attribute;
                entry.typeValue = value;
                entry.typeBlock = block;
                break;
            default: break;
            }
        }
        return entry;
    }

    int Add(Type type) { return m_graph.Add(std::move(type)); }

    Name NameOf(const Entry& entry) { return m_graph.NameAt(entry.nameAt, entry.name); }

    int FundType(std::uint16_t code)
    {
        if (const auto found = m_fund.find(code); found != m_fund.end()) return found->second;
        const auto fund = Fundamental(code);
        Type type;
        type.kind = fund ? TypeKind::Base : TypeKind::Unknown;
        if (fund) {
            type.name = fund->name;
            type.byteSize = fund->size;
            type.encoding = fund->encoding;
        }
        return m_fund[code] = Add(std::move(type));
    }

    int Modified(std::uint8_t modifier, int target)
    {
        const auto key = std::make_pair(modifier, target);
        if (const auto found = m_modified.find(key); found != m_modified.end()) return found->second;
        Type type;
        type.target = target;
        if (modifier == MOD_pointer_to) {
            type.kind = TypeKind::Pointer;
            // Data pointers are one word; a function's address takes two.
            const Type* pointee = TypeAt(m_info, target);
            type.byteSize = pointee && pointee->kind == TypeKind::Function ? 4 : 2;
        } else {
            type.kind = TypeKind::Qualifier;
            type.name = modifier == MOD_const ? "const" : "volatile";
        }
        return m_modified[key] = Add(std::move(type));
    }

    // A type given by one of the four type attributes; the modifiers of the mod_ forms
    // read outermost first ("pointer to const char").
    int TypeSpec(std::uint16_t attribute, std::uint32_t value, std::span<const std::uint8_t> block, int depth)
    {
        switch (attribute) {
        case AT_fund_type: return FundType(static_cast<std::uint16_t>(value));
        case AT_user_def_type: return Intern(value, depth + 1);
        case AT_mod_fund_type:
        case AT_mod_u_d_type: {
            const std::size_t tail = attribute == AT_mod_fund_type ? 2 : 4;
            if (block.size() < tail) return -1;
            const std::size_t mods = block.size() - tail;
            int type = attribute == AT_mod_fund_type
                           ? FundType(static_cast<std::uint16_t>(Le(block, mods, 2)))
                           : Intern(Le(block, mods, 4), depth + 1);
            for (std::size_t i = mods; i-- > 0 && !m_graph.Full();) type = Modified(block[i], type);
            return type;
        }
        default: return -1;
        }
    }

    int TypeOf(const Entry& entry, int depth)
    {
        return TypeSpec(entry.typeAttribute, entry.typeValue, entry.typeBlock, depth);
    }

    int Intern(std::uint32_t offset, int depth)
    {
        if (const int known = m_graph.Known(offset); known >= 0) return known;
        if (offset == 0 || offset + 4 > m_bytes.size()) return -1;
        if (!m_graph.MayRead(depth)) return -1;
        const Entry entry = Parse(offset);
        if (entry.null) return -1;
        const int index = m_graph.Reserve(offset);
        Type type;
        type.name = NameOf(entry);
        type.byteSize = entry.byteSize.value_or(0);
        switch (entry.tag) {
        case TAG_structure_type:
        case TAG_union_type:
            type.kind = entry.tag == TAG_union_type ? TypeKind::Union : TypeKind::Struct;
            ReadMembers(entry, depth, type);
            break;
        case TAG_array_type:
            ReadArray(entry, depth, type);
            break;
        case TAG_enumeration_type:
            type.kind = TypeKind::Enum;
            ReadEnumerators(entry, type);
            break;
        case TAG_typedef:
            type.kind = TypeKind::Typedef;
            type.target = TypeOf(entry, depth);
            break;
        case TAG_subroutine_type:
            type.kind = TypeKind::Function;
            type.target = TypeOf(entry, depth);
            break;
        default:
            break;
        }
        m_graph.Set(index, std::move(type));
        return index;
    }

    void ReadMembers(const Entry& parent, int depth, Type& type)
    {
        if (parent.sibling <= parent.end) return;
        const std::uint32_t stop = std::min<std::uint32_t>(parent.sibling, static_cast<std::uint32_t>(m_bytes.size()));
        for (std::uint32_t at = parent.end; at + 4 <= stop && !m_graph.Full();) {
            m_graph.CountRow();
            const Entry child = Parse(at);
            if (child.null) break;
            if (child.tag == TAG_member) {
                Member member;
                member.name = NameOf(child);
                member.type = TypeOf(child, depth);
                // OP_CONST n, OP_ADD: the offset added to the struct's address.
                if (child.location.size() >= 5 && child.location[0] == OP_CONST)
                    member.byteOffset = Le(child.location, 1, 4);
                if (child.bitSize != 0) {
                    const std::uint32_t unit = child.byteSize.value_or(2);
                    if (unit == 0 || unit > 4 || child.bitOffset + child.bitSize > unit * 8) {
                        at = child.sibling > at ? child.sibling : child.end;
                        continue;
                    }
                    member.unitBytes = static_cast<std::uint16_t>(unit);
                    member.bitSize = static_cast<std::uint16_t>(child.bitSize);
                    member.bitLsb = static_cast<std::uint16_t>(unit * 8 - child.bitOffset - child.bitSize);
                }
                type.members.push_back(std::move(member));
            }
            at = child.sibling > at ? child.sibling : child.end;
        }
    }

    void ReadArray(const Entry& entry, int depth, Type& type)
    {
        type.kind = TypeKind::Array;
        const auto data = entry.subscripts;
        std::vector<std::uint32_t> counts;
        int element = -1;
        std::size_t p = 0;
        while (p < data.size() && counts.size() < 8) {
            const std::uint8_t format = data[p++];
            if (format == FMT_FT_C_C || format == FMT_UT_C_C) {
                p += format == FMT_FT_C_C ? 2 : 4;
                if (p + 8 > data.size()) break;
                const auto low = static_cast<std::int32_t>(Le(data, p, 4));
                const auto high = static_cast<std::int32_t>(Le(data, p + 4, 4));
                p += 8;
                const std::int64_t count = std::int64_t{high} - low + 1;
                counts.push_back(static_cast<std::uint32_t>(std::clamp<std::int64_t>(count, 0, 0xFFFFFFFF)));
            } else if (format == FMT_ET) {
                if (p + 2 > data.size()) break;
                const auto attribute = static_cast<std::uint16_t>(Le(data, p, 2));
                p += 2;
                const auto rest = data.subspan(p);
                if ((attribute & 0xF) == FORM_BLOCK2 && rest.size() >= 2) {
                    const std::size_t size = std::min<std::size_t>(Le(rest, 0, 2), rest.size() - 2);
                    element = TypeSpec(attribute, 0, rest.subspan(2, size), depth);
                } else {
                    element = TypeSpec(attribute, Le(rest, 0, (attribute & 0xF) == FORM_DATA2 ? 2 : 4), {}, depth);
                }
                break;
            } else {
                break;
            }
        }
        if (counts.empty()) counts.push_back(0);
        m_graph.Dimensions(counts, element, type);
    }

    // Value and name pairs, last enumerator first. The values are as wide as the target's
    // long (4 bytes), except that a compiler may write those of a one- or two-byte enum
    // as wide as the enum: a list whose long values do not fit the enum, or that does not
    // end where the list ends, is such a one.
    void ReadEnumerators(const Entry& entry, Type& type)
    {
        const std::uint32_t size = entry.byteSize.value_or(4);
        if (!ReadElements(entry, 4, size, type) && (size == 1 || size == 2)) {
            type.enumerators.clear();
            ReadElements(entry, size, 0, type);
        }
        std::reverse(type.enumerators.begin(), type.enumerators.end());
    }

    // False when a value does not fit `fitBytes` (0: any) or the list is not read whole.
    bool ReadElements(const Entry& entry, std::uint32_t width, std::uint32_t fitBytes, Type& type)
    {
        const auto data = entry.elements;
        const auto base = static_cast<std::size_t>(data.data() - m_bytes.data());
        std::size_t p = 0;
        while (p + width + 1 <= data.size()) {
            if (m_graph.Full()) return true;
            m_graph.CountRow();
            // A narrow value says nothing of its sign: taken as the unsigned number the
            // monitor shows for a byte or word of the enum's size.
            const std::uint32_t raw = Le(data, p, static_cast<int>(width));
            const std::int64_t value = width == 4 ? std::int64_t{static_cast<std::int32_t>(raw)} : std::int64_t{raw};
            if (fitBytes > 0 && fitBytes < 4) {
                const std::int64_t low = -(std::int64_t{1} << (8 * fitBytes - 1));
                const std::int64_t high = (std::int64_t{1} << (8 * fitBytes)) - 1;
                if (value < low || value > high) return false;
            }
            std::size_t z = p + width;
            while (z < data.size() && data[z] != 0) ++z;
            if (z == data.size()) return false;
            const std::string_view name(reinterpret_cast<const char*>(data.data() + p + width), z - p - width);
            type.enumerators.push_back({m_graph.NameAt(base + p + width, name), value});
            p = z + 1;
        }
        return p == data.size();
    }

    void AddVariable(const Entry& entry)
    {
        if (entry.location.size() < 5 || entry.location[0] != OP_ADDR) return;
        const std::uint32_t address = Le(entry.location, 1, 4);
        if (address == 0) return; // dead-stripped
        m_info.variables.push_back({NameOf(entry), address, TypeOf(entry, 0)});
    }

    std::span<const std::uint8_t> m_bytes;
    TypeGraphBuilder m_graph;
    DebugInfo& m_info;
    std::map<std::uint16_t, int> m_fund;
    std::map<std::pair<std::uint8_t, int>, int> m_modified;
};

} // namespace

void ReadDwarf1(std::span<const std::uint8_t> section, const Limits& limits, DebugInfo& info)
{
    info.dwarfVersion = 1;
    Reader(section, limits, info).ReadAll();
}

} // namespace elf
