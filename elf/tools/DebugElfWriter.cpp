#include "elf/tools/DebugElfWriter.h"

#include <dwarf.h>

#include <algorithm>
#include <map>
#include <utility>

#include "elf/Dwarf1.h"
#include "elf/TypeLayout.h"

namespace elf {
namespace {

class Bytes {
public:
    std::vector<std::uint8_t> data;

    std::size_t size() const { return data.size(); }
    void U8(std::uint32_t v) { data.push_back(static_cast<std::uint8_t>(v)); }
    void U16(std::uint32_t v) { U8(v), U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v), U16(v >> 16); }
    void Str(const std::string& s)
    {
        data.insert(data.end(), s.begin(), s.end());
        U8(0);
    }
    void Uleb(std::uint32_t v)
    {
        do {
            std::uint8_t b = v & 0x7F;
            v >>= 7;
            U8(v ? b | 0x80 : b);
        } while (v);
    }
    void Put32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i) data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void Put16(std::size_t at, std::uint32_t v)
    {
        data[at] = static_cast<std::uint8_t>(v);
        data[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
};

// ---- ELF container ----

std::vector<std::uint8_t> Container(const std::vector<std::pair<std::string, Bytes>>& sections,
                                    std::uint16_t machine)
{
    Bytes file;
    file.data.resize(52);
    std::vector<std::uint32_t> offsets;
    for (const auto& [name, bytes] : sections) {
        offsets.push_back(static_cast<std::uint32_t>(file.size()));
        file.data.insert(file.data.end(), bytes.data.begin(), bytes.data.end());
    }
    Bytes names;
    names.U8(0);
    std::vector<std::uint32_t> nameOffsets;
    for (const auto& section : sections) {
        nameOffsets.push_back(static_cast<std::uint32_t>(names.size()));
        names.Str(section.first);
    }
    const auto namesName = static_cast<std::uint32_t>(names.size());
    names.Str(".shstrtab");
    const auto namesOffset = static_cast<std::uint32_t>(file.size());
    file.data.insert(file.data.end(), names.data.begin(), names.data.end());
    while (file.size() % 4) file.U8(0);
    const auto shoff = static_cast<std::uint32_t>(file.size());
    file.data.insert(file.data.end(), 40, 0); // the null section
    const auto header = [&](std::uint32_t name, std::uint32_t type, std::uint32_t offset, std::uint32_t size) {
        file.U32(name), file.U32(type), file.U32(0), file.U32(0), file.U32(offset), file.U32(size);
        file.U32(0), file.U32(0), file.U32(1), file.U32(0);
    };
    for (std::size_t i = 0; i < sections.size(); ++i)
        header(nameOffsets[i], 1 /*PROGBITS*/, offsets[i], static_cast<std::uint32_t>(sections[i].second.size()));
    header(namesName, 3 /*STRTAB*/, namesOffset, static_cast<std::uint32_t>(names.size()));

    const std::uint8_t ident[16] = {0x7F, 'E', 'L', 'F', 1, 1, 1, 0};
    std::copy(std::begin(ident), std::end(ident), file.data.begin());
    file.Put16(16, 2 /*ET_EXEC*/);
    file.Put16(18, machine);
    file.Put32(20, 1);
    file.Put32(32, shoff);
    file.Put16(40, 52);
    file.Put16(46, 40);
    file.Put16(48, static_cast<std::uint32_t>(sections.size() + 2));
    file.Put16(50, static_cast<std::uint32_t>(sections.size() + 1));
    return std::move(file.data);
}

// ---- DWARF 2 ----

enum Abbrev : std::uint8_t {
    kUnit = 1, kBase, kPointer, kStruct, kUnion, kMember, kBitMember, kArray, kSizedArray,
    kSubrange, kOpenSubrange, kEnum, kEnumerator, kTypedef, kVariable, kVolatile, kConst, kSubroutine,
};

Bytes AbbrevTable(const WriterOptions& options)
{
    const bool four = options.dwarfVersion >= 4;
    const unsigned nameForm = options.namesInStringTable ? DW_FORM_strp : DW_FORM_string;
    const unsigned memberLocation = four ? DW_FORM_udata : DW_FORM_block1;
    Bytes b;
    const auto entry = [&](Abbrev code, unsigned tag, bool children,
                           std::initializer_list<std::pair<unsigned, unsigned>> attributes) {
        b.Uleb(code), b.Uleb(tag), b.U8(children ? 1 : 0);
        for (const auto& [at, form] : attributes) b.Uleb(at), b.Uleb(form);
        b.U8(0), b.U8(0);
    };
    const std::pair<unsigned, unsigned> name{DW_AT_name, nameForm};
    const std::pair<unsigned, unsigned> type{DW_AT_type, DW_FORM_ref_addr};
    entry(kUnit, DW_TAG_compile_unit, true, {name, {DW_AT_producer, DW_FORM_string}, {DW_AT_language, DW_FORM_data1}});
    entry(kBase, DW_TAG_base_type, false, {name, {DW_AT_encoding, DW_FORM_data1}, {DW_AT_byte_size, DW_FORM_data1}});
    entry(kPointer, DW_TAG_pointer_type, false, {{DW_AT_byte_size, DW_FORM_data1}, type, {DW_AT_address_class, DW_FORM_data1}});
    entry(kStruct, DW_TAG_structure_type, true, {name, {DW_AT_byte_size, DW_FORM_data4}});
    entry(kUnion, DW_TAG_union_type, true, {name, {DW_AT_byte_size, DW_FORM_data4}});
    entry(kMember, DW_TAG_member, false, {name, type, {DW_AT_data_member_location, memberLocation}});
    if (options.dataBitOffset)
        entry(kBitMember, DW_TAG_member, false,
              {name, type, {DW_AT_data_bit_offset, DW_FORM_udata}, {DW_AT_bit_size, DW_FORM_data1}});
    else
        entry(kBitMember, DW_TAG_member, false,
              {name, type, {DW_AT_byte_size, DW_FORM_data1}, {DW_AT_bit_offset, DW_FORM_data1},
               {DW_AT_bit_size, DW_FORM_data1}, {DW_AT_data_member_location, memberLocation}});
    entry(kArray, DW_TAG_array_type, true, {type});
    entry(kSizedArray, DW_TAG_array_type, true, {type, {DW_AT_byte_size, DW_FORM_data4}});
    entry(kSubrange, DW_TAG_subrange_type, false, {{DW_AT_upper_bound, DW_FORM_data4}});
    entry(kOpenSubrange, DW_TAG_subrange_type, false, {});
    entry(kEnum, DW_TAG_enumeration_type, true, {name, {DW_AT_byte_size, DW_FORM_data1}});
    entry(kEnumerator, DW_TAG_enumerator, false, {name, {DW_AT_const_value, DW_FORM_data4}});
    entry(kTypedef, DW_TAG_typedef, false, {name, type});
    entry(kVariable, DW_TAG_variable, false,
          {name, type, {DW_AT_external, DW_FORM_flag}, {DW_AT_location, four ? DW_FORM_exprloc : DW_FORM_block1}});
    entry(kVolatile, DW_TAG_volatile_type, false, {type});
    entry(kConst, DW_TAG_const_type, false, {type});
    entry(kSubroutine, DW_TAG_subroutine_type, false, {type, {DW_AT_prototyped, DW_FORM_flag}});
    b.U8(0);
    return b;
}

class Dwarf2Writer {
public:
    Dwarf2Writer(const DebugInfo& program, const WriterOptions& options) : m_program(program), m_options(options) {}

    Bytes Write()
    {
        m_typeOffsets.assign(m_program.types.size(), 0);
        // Unit 1: the types. Unit 2: the variables of known type. Unit 3: the others.
        m_info.data = m_options.leadingInfoBytes;
        const std::size_t first = BeginUnit("types.c");
        for (std::size_t i = 0; i < m_program.types.size(); ++i) WriteType(static_cast<int>(i));
        EndUnit(first);
        m_info.data.insert(m_info.data.end(), m_options.strayZeroBytes, 0);
        const std::size_t second = BeginUnit("main.c");
        for (const auto& variable : m_program.variables)
            if (variable.type >= 0) WriteVariable(variable);
        EndUnit(second);
        if (std::any_of(m_program.variables.begin(), m_program.variables.end(), [](const Variable& v) { return v.type < 0; })) {
            const std::size_t third = BeginUnit("stripped.c");
            for (const auto& variable : m_program.variables)
                if (variable.type < 0) WriteVariable(variable);
            EndUnit(third);
        }
        for (const auto& [at, type] : m_fixups) {
            const std::uint32_t offset = Known(type) ? m_typeOffsets[static_cast<std::size_t>(type)] : 0;
            for (std::size_t i = 0; i < RefWidth(); ++i) m_info.data[at + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        }
        return std::move(m_info);
    }

    Bytes Strings() const { return m_strings; }

private:
    bool Known(int type) const
    {
        const Type* t = TypeAt(m_program, type);
        return t && t->kind != TypeKind::Unknown;
    }

    // DWARF 2 wrote section references as wide as an address.
    std::size_t RefWidth() const { return m_options.dwarfVersion == 2 ? m_options.addressSize : 4u; }

    void Name(const std::string& text)
    {
        if (!m_options.namesInStringTable) return m_info.Str(text);
        auto [slot, added] = m_stringOffsets.try_emplace(text, static_cast<std::uint32_t>(m_strings.size()));
        if (added) m_strings.Str(text);
        m_info.U32(slot->second);
    }

    std::size_t BeginUnit(const std::string& name)
    {
        const std::size_t start = m_info.size();
        m_info.U32(0), m_info.U16(static_cast<std::uint32_t>(m_options.dwarfVersion)), m_info.U32(0);
        m_info.U8(m_options.addressSize);
        m_info.Uleb(kUnit), Name(name), m_info.Str(m_options.producer), m_info.U8(DW_LANG_C89);
        return start;
    }

    void EndUnit(std::size_t start)
    {
        m_info.U8(0);
        if (const std::uint32_t multiple = m_options.unitLengthMultiple; multiple > 0)
            while ((m_info.size() - start - 4) % multiple != 0) m_info.U8(0);
        m_info.Put32(start, static_cast<std::uint32_t>(m_info.size() - start - 4));
    }

    void Ref(int type)
    {
        m_fixups.emplace_back(m_info.size(), type);
        m_info.data.insert(m_info.data.end(), RefWidth(), 0);
    }

    void MemberLocation(std::uint32_t offset)
    {
        if (m_options.dwarfVersion >= 4) return m_info.Uleb(offset);
        Bytes location;
        location.U8(DW_OP_plus_uconst), location.Uleb(offset);
        m_info.U8(static_cast<std::uint32_t>(location.size()));
        m_info.data.insert(m_info.data.end(), location.data.begin(), location.data.end());
    }

    void WriteType(int index)
    {
        const Type& t = m_program.types[static_cast<std::size_t>(index)];
        m_typeOffsets[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(m_info.size());
        switch (t.kind) {
        case TypeKind::Unknown: break; // referred to as 0
        case TypeKind::Base:
            m_info.Uleb(kBase), Name(t.name);
            m_info.U8(t.encoding == BaseEncoding::Float      ? DW_ATE_float
                      : t.encoding == BaseEncoding::Boolean  ? DW_ATE_boolean
                      : t.encoding == BaseEncoding::Unsigned ? DW_ATE_unsigned
                                                             : DW_ATE_signed);
            m_info.U8(t.byteSize);
            break;
        case TypeKind::Pointer:
            m_info.Uleb(kPointer), m_info.U8(t.byteSize), Ref(t.target), m_info.U8(t.addressClass);
            break;
        case TypeKind::Struct:
        case TypeKind::Union:
            m_info.Uleb(t.kind == TypeKind::Struct ? kStruct : kUnion), Name(t.name), m_info.U32(t.byteSize);
            for (const auto& member : t.members) {
                m_info.Uleb(member.bitSize ? kBitMember : kMember), Name(member.name), Ref(member.type);
                if (member.bitSize && m_options.dataBitOffset) {
                    m_info.Uleb(member.byteOffset * 8u + member.bitLsb), m_info.U8(member.bitSize);
                    continue;
                }
                if (member.bitSize) {
                    m_info.U8(member.unitBytes);
                    m_info.U8(member.unitBytes * 8u - member.bitLsb - member.bitSize);
                    m_info.U8(member.bitSize);
                }
                MemberLocation(member.byteOffset);
            }
            m_info.U8(0);
            break;
        case TypeKind::Array: {
            const auto size = ByteSize(m_program, index);
            const bool sized = size && *size <= 64;
            m_info.Uleb(sized ? kSizedArray : kArray), Ref(t.target);
            if (sized) m_info.U32(*size);
            if (t.count) m_info.Uleb(kSubrange), m_info.U32(t.count - 1);
            else m_info.Uleb(kOpenSubrange);
            m_info.U8(0);
            break;
        }
        case TypeKind::Enum:
            m_info.Uleb(kEnum), Name(t.name), m_info.U8(t.byteSize);
            for (const auto& e : t.enumerators) m_info.Uleb(kEnumerator), Name(e.name), m_info.U32(static_cast<std::uint32_t>(e.value));
            m_info.U8(0);
            break;
        case TypeKind::Typedef: m_info.Uleb(kTypedef), Name(t.name), Ref(t.target); break;
        case TypeKind::Qualifier: m_info.Uleb(t.name == "const" ? kConst : kVolatile), Ref(t.target); break;
        case TypeKind::Function: m_info.Uleb(kSubroutine), Ref(t.target), m_info.U8(1); break;
        }
    }

    void WriteVariable(const Variable& v)
    {
        m_info.Uleb(kVariable), Name(v.name), Ref(v.type), m_info.U8(1);
        m_info.Uleb(1u + m_options.addressSize), m_info.U8(DW_OP_addr);
        for (std::uint32_t i = 0; i < m_options.addressSize; ++i) m_info.U8(i < 4 ? v.byteAddress >> (8 * i) : 0);
    }

    const DebugInfo& m_program;
    const WriterOptions& m_options;
    Bytes m_info;
    Bytes m_strings;
    std::map<std::string, std::uint32_t> m_stringOffsets;
    std::vector<std::uint32_t> m_typeOffsets;
    std::vector<std::pair<std::size_t, int>> m_fixups;
};

// ---- DWARF 1 ----

class Dwarf1Writer {
public:
    Dwarf1Writer(const DebugInfo& program, const WriterOptions& options) : m_program(program), m_options(options) {}

    Bytes Write()
    {
        using namespace dwarf1;
        m_offsets.assign(m_program.types.size(), 0);
        const std::size_t unit = Begin(TAG_compile_unit);
        Attr(AT_name), m_out.Str("main.c");
        Attr(AT_producer), m_out.Str(m_options.producer);
        End(unit);
        for (std::size_t i = 0; i < m_program.types.size(); ++i) WriteType(static_cast<int>(i));
        const auto isStatic = [&](const Variable& v) {
            return std::find(m_options.functionStatics.begin(), m_options.functionStatics.end(), v.name) !=
                   m_options.functionStatics.end();
        };
        for (const auto& v : m_program.variables)
            if (!isStatic(v)) WriteVariable(v, TAG_global_variable);
        const std::size_t function = Begin(TAG_global_subroutine);
        Attr(AT_name), m_out.Str("main");
        End(function);
        for (const auto& v : m_program.variables)
            if (isStatic(v)) WriteVariable(v, TAG_local_variable);
        CloseChildren(function);
        CloseChildren(unit);
        for (const auto& [at, type] : m_fixups) m_out.Put32(at, m_offsets[static_cast<std::size_t>(type)]);
        return std::move(m_out);
    }

private:
    // Every entry carries a sibling reference, patched once its children are written.
    std::size_t Begin(std::uint16_t tag)
    {
        const std::size_t start = m_out.size();
        m_out.U32(0), m_out.U16(tag);
        Attr(dwarf1::AT_sibling), m_out.U32(0);
        return start;
    }
    void End(std::size_t start) { m_out.Put32(start, static_cast<std::uint32_t>(m_out.size() - start)); }
    void Attr(std::uint16_t attribute) { m_out.U16(attribute); }
    void CloseChildren(std::size_t start)
    {
        m_out.U32(4); // null entry
        m_out.Put32(start + 8, static_cast<std::uint32_t>(m_out.size()));
    }
    void Leaf(std::size_t start)
    {
        End(start);
        m_out.Put32(start + 8, static_cast<std::uint32_t>(m_out.size()));
    }

    static std::uint16_t FundCode(const Type& t)
    {
        using namespace dwarf1;
        static const std::map<std::string, std::uint16_t> names = {
            {"char", FT_char}, {"signed char", FT_signed_char}, {"unsigned char", FT_unsigned_char},
            {"short", FT_short}, {"unsigned short", FT_unsigned_short}, {"int", FT_integer},
            {"unsigned int", FT_unsigned_integer}, {"long", FT_long}, {"unsigned long", FT_unsigned_long},
            {"float", FT_float}, {"double", FT_dbl_prec_float}, {"bool", FT_boolean}, {"void", FT_void}};
        if (const auto found = names.find(t.name); found != names.end()) return found->second;
        if (t.encoding == BaseEncoding::Float) return FT_float;
        const bool u = t.encoding == BaseEncoding::Unsigned;
        return t.byteSize == 1 ? (u ? FT_unsigned_char : FT_signed_char)
               : t.byteSize == 4 ? (u ? FT_unsigned_long : FT_long)
                                 : (u ? FT_unsigned_short : FT_short);
    }

    // The type attribute of an entry (or of an array's element), into `out`.
    void TypeAttribute(Bytes& out, int type, std::size_t base)
    {
        using namespace dwarf1;
        std::vector<std::uint8_t> modifiers;
        const Type* t = TypeAt(m_program, type);
        while (t && (t->kind == TypeKind::Pointer || t->kind == TypeKind::Qualifier) && modifiers.size() < 8) {
            modifiers.push_back(t->kind == TypeKind::Pointer ? MOD_pointer_to : t->name == "const" ? MOD_const : MOD_volatile);
            type = t->target;
            t = TypeAt(m_program, type);
        }
        if ((!t && modifiers.empty()) || (t && t->kind == TypeKind::Unknown)) return;
        const bool fund = !t || t->kind == TypeKind::Base;
        const std::uint16_t code = t ? FundCode(*t) : std::uint16_t{FT_void};
        if (modifiers.empty()) {
            out.U16(fund ? AT_fund_type : AT_user_def_type);
            if (fund) out.U16(code);
            else m_fixups.emplace_back(base + out.size(), type), out.U32(0);
            return;
        }
        out.U16(fund ? AT_mod_fund_type : AT_mod_u_d_type);
        out.U16(static_cast<std::uint32_t>(modifiers.size() + (fund ? 2 : 4)));
        for (const auto m : modifiers) out.U8(m);
        if (fund) out.U16(code);
        else m_fixups.emplace_back(base + out.size(), type), out.U32(0);
    }

    void WriteType(int index)
    {
        using namespace dwarf1;
        const Type& t = m_program.types[static_cast<std::size_t>(index)];
        std::uint16_t tag = 0;
        switch (t.kind) {
        case TypeKind::Struct: tag = TAG_structure_type; break;
        case TypeKind::Union: tag = TAG_union_type; break;
        case TypeKind::Array: tag = TAG_array_type; break;
        case TypeKind::Enum: tag = TAG_enumeration_type; break;
        case TypeKind::Typedef: tag = TAG_typedef; break;
        case TypeKind::Function: tag = TAG_subroutine_type; break;
        default: return; // written inline where used
        }
        m_offsets[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(m_out.size());
        const std::size_t start = Begin(tag);
        if (!t.name.empty()) Attr(AT_name), m_out.Str(t.name);
        if (t.kind == TypeKind::Typedef || t.kind == TypeKind::Function) {
            TypeAttribute(m_out, t.target, 0);
        } else if (t.kind == TypeKind::Array) {
            Bytes block;
            block.U8(FMT_FT_C_C), block.U16(FT_integer), block.U32(0), block.U32(t.count - 1);
            block.U8(FMT_ET);
            Attr(AT_subscr_data);
            const std::size_t length = m_out.size();
            m_out.U16(0);
            TypeAttribute(block, t.target, m_out.size());
            m_out.Put16(length, static_cast<std::uint32_t>(block.size()));
            m_out.data.insert(m_out.data.end(), block.data.begin(), block.data.end());
        } else if (t.kind == TypeKind::Enum) {
            Attr(AT_byte_size), m_out.U32(t.byteSize);
            Bytes list;
            const bool narrow = m_options.enumValuesAsWideAsEnum && (t.byteSize == 1 || t.byteSize == 2);
            for (auto e = t.enumerators.rbegin(); e != t.enumerators.rend(); ++e) {
                const auto value = static_cast<std::uint32_t>(e->value);
                if (!narrow) list.U32(value);
                else if (t.byteSize == 1) list.U8(value);
                else list.U16(value);
                list.Str(e->name);
            }
            if (m_options.shortElementList)
                Attr(AT_short_element_list), m_out.U16(static_cast<std::uint32_t>(list.size()));
            else
                Attr(AT_element_list), m_out.U32(static_cast<std::uint32_t>(list.size()));
            m_out.data.insert(m_out.data.end(), list.data.begin(), list.data.end());
        } else {
            Attr(AT_byte_size), m_out.U32(t.byteSize);
        }
        End(start);
        if (t.kind != TypeKind::Struct && t.kind != TypeKind::Union) {
            m_out.Put32(start + 8, static_cast<std::uint32_t>(m_out.size()));
            return;
        }
        for (const auto& member : t.members) {
            const std::size_t m = Begin(TAG_member);
            Attr(AT_name), m_out.Str(member.name);
            TypeAttribute(m_out, member.type, 0);
            Attr(AT_location), m_out.U16(6), m_out.U8(OP_CONST), m_out.U32(member.byteOffset), m_out.U8(OP_ADD);
            if (member.bitSize) {
                Attr(AT_byte_size), m_out.U32(member.unitBytes);
                Attr(AT_bit_offset), m_out.U16(member.unitBytes * 8u - member.bitLsb - member.bitSize);
                Attr(AT_bit_size), m_out.U32(member.bitSize);
            }
            Leaf(m);
        }
        CloseChildren(start);
    }

    void WriteVariable(const Variable& v, std::uint16_t tag)
    {
        using namespace dwarf1;
        const std::size_t start = Begin(tag);
        Attr(AT_name), m_out.Str(v.name);
        TypeAttribute(m_out, v.type, 0);
        Attr(AT_location), m_out.U16(5), m_out.U8(OP_ADDR), m_out.U32(v.byteAddress);
        Leaf(start);
    }

    const DebugInfo& m_program;
    const WriterOptions& m_options;
    Bytes m_out;
    std::vector<std::uint32_t> m_offsets;
    std::vector<std::pair<std::size_t, int>> m_fixups;
};

} // namespace

std::vector<std::uint8_t> WriteDebugElf(const DebugInfo& program, const WriterOptions& options)
{
    std::vector<std::pair<std::string, Bytes>> sections;
    if (options.dwarfVersion == 1) {
        sections.emplace_back(".debug", Dwarf1Writer(program, options).Write());
    } else {
        sections.emplace_back(".debug_abbrev", AbbrevTable(options));
        Dwarf2Writer writer(program, options);
        sections.emplace_back(".debug_info", writer.Write());
        if (options.namesInStringTable) sections.emplace_back(".debug_str", writer.Strings());
    }
    return Container(sections, options.dwarfVersion == 1 ? std::uint16_t{0x5670} : options.machine);
}

} // namespace elf
