#include "elf/DwarfForms.h"

#include <dwarf.h>

namespace elf {
namespace {

// A form given in the entry itself (DW_FORM_indirect) may name another indirect form;
// a chain longer than this is damage, not a program.
constexpr int kMaxIndirect = 4;

bool Fixed(Cursor& in, std::size_t width, FormClass kind, FormValue& out)
{
    out.kind = kind;
    out.width = static_cast<std::uint8_t>(width);
    out.value = in.Fixed(width);
    return in.ok();
}

bool Block(Cursor& in, std::uint64_t size, FormValue& out)
{
    out.kind = FormClass::Block;
    out.bytes = in.Take(size);
    return in.ok();
}

bool Reference(Cursor& in, std::size_t width, std::size_t base, std::size_t end, FormValue& out)
{
    out.kind = FormClass::Reference;
    const std::uint64_t stored = width == 0 ? in.Uleb() : in.Fixed(width);
    // A dead-stripped unit's references read 0: "no type", not the unit's header.
    out.zeroReference = stored == 0;
    out.value = stored + base;
    out.outsideUnit = stored >= end - base;
    return in.ok();
}

bool Read(Cursor& in, std::uint64_t form, const FormContext& context, std::int64_t implicitConst,
          FormValue& out, int indirect)
{
    out.form = static_cast<std::uint16_t>(form);
    out.at = in.at();
    switch (form) {
    case DW_FORM_addr: return Fixed(in, context.addressSize, FormClass::Address, out);
    case DW_FORM_addrx: out.kind = FormClass::AddressIndex, out.value = in.Uleb(); return in.ok();
    case DW_FORM_addrx1: return Fixed(in, 1, FormClass::AddressIndex, out);
    case DW_FORM_addrx2: return Fixed(in, 2, FormClass::AddressIndex, out);
    case DW_FORM_addrx3: return Fixed(in, 3, FormClass::AddressIndex, out);
    case DW_FORM_addrx4: return Fixed(in, 4, FormClass::AddressIndex, out);
    case DW_FORM_data1: return Fixed(in, 1, FormClass::Unsigned, out);
    case DW_FORM_data2: return Fixed(in, 2, FormClass::Unsigned, out);
    case DW_FORM_data4: return Fixed(in, 4, FormClass::Unsigned, out);
    case DW_FORM_data8: return Fixed(in, 8, FormClass::Unsigned, out);
    case DW_FORM_data16: return Block(in, 16, out);
    case DW_FORM_udata: out.kind = FormClass::Unsigned, out.value = in.Uleb(); return in.ok();
    case DW_FORM_sdata:
        out.kind = FormClass::Signed;
        out.value = static_cast<std::uint64_t>(in.Sleb());
        return in.ok();
    case DW_FORM_implicit_const:
        out.kind = FormClass::Signed;
        out.value = static_cast<std::uint64_t>(implicitConst);
        return true;
    case DW_FORM_string:
        out.kind = FormClass::InlineString;
        out.bytes = in.CString();
        return in.ok();
    case DW_FORM_strp: return Fixed(in, 4, FormClass::StrOffset, out);
    case DW_FORM_line_strp: return Fixed(in, 4, FormClass::LineStrOffset, out);
    case DW_FORM_strx: out.kind = FormClass::StrIndex, out.value = in.Uleb(); return in.ok();
    case DW_FORM_strx1: return Fixed(in, 1, FormClass::StrIndex, out);
    case DW_FORM_strx2: return Fixed(in, 2, FormClass::StrIndex, out);
    case DW_FORM_strx3: return Fixed(in, 3, FormClass::StrIndex, out);
    case DW_FORM_strx4: return Fixed(in, 4, FormClass::StrIndex, out);
    case DW_FORM_ref1: return Reference(in, 1, context.unitOffset, context.unitEnd, out);
    case DW_FORM_ref2: return Reference(in, 2, context.unitOffset, context.unitEnd, out);
    case DW_FORM_ref4: return Reference(in, 4, context.unitOffset, context.unitEnd, out);
    case DW_FORM_ref8: return Reference(in, 8, context.unitOffset, context.unitEnd, out);
    case DW_FORM_ref_udata: return Reference(in, 0, context.unitOffset, context.unitEnd, out);
    // DWARF 2 wrote section offsets as wide as an address; DWARF 3 made them offsets.
    case DW_FORM_ref_addr:
        return Reference(in, context.version == 2 ? context.addressSize : 4, 0, ~std::size_t{0}, out);
    case DW_FORM_ref_sig8: return Fixed(in, 8, FormClass::Signature, out);
    case DW_FORM_block1: return Block(in, in.U8(), out);
    case DW_FORM_block2: return Block(in, in.U16(), out);
    case DW_FORM_block4: return Block(in, in.U32(), out);
    case DW_FORM_block:
    case DW_FORM_exprloc: return Block(in, in.Uleb(), out);
    case DW_FORM_flag: return Fixed(in, 1, FormClass::Flag, out);
    case DW_FORM_flag_present: out.kind = FormClass::Flag, out.value = 1; return true;
    case DW_FORM_sec_offset: return Fixed(in, 4, FormClass::SectionOffset, out);
    case DW_FORM_indirect: {
        const std::uint64_t actual = in.Uleb();
        if (!in.ok() || indirect >= kMaxIndirect || actual == DW_FORM_implicit_const) return false;
        return Read(in, actual, context, 0, out, indirect + 1);
    }
    default: return false;
    }
}

} // namespace

bool ReadForm(Cursor& in, std::uint64_t form, const FormContext& context, std::int64_t implicitConst,
              FormValue& out)
{
    out = {};
    return Read(in, form, context, implicitConst, out, 0);
}

bool AsUnsigned(const FormValue& value, std::uint64_t& out)
{
    if (value.kind != FormClass::Unsigned && value.kind != FormClass::Signed) return false;
    out = value.value;
    return true;
}

bool AsSectionOffset(const FormValue& value, std::uint64_t& out)
{
    if (value.kind != FormClass::SectionOffset && value.kind != FormClass::Unsigned) return false;
    out = value.value;
    return true;
}

bool AsSigned(const FormValue& value, std::int64_t& out)
{
    if (value.kind != FormClass::Unsigned && value.kind != FormClass::Signed) return false;
    if (value.kind == FormClass::Unsigned && value.width > 0 && value.width < 8) {
        const unsigned bits = 8u * value.width;
        const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
        out = static_cast<std::int64_t>((value.value ^ sign) - sign);
    } else {
        out = static_cast<std::int64_t>(value.value);
    }
    return true;
}

} // namespace elf
