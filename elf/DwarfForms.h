#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "elf/DwarfCursor.h"

namespace elf {

// What reading an attribute's value depends on besides its form.
struct FormContext {
    int version = 2;
    std::uint8_t addressSize = 4;
    std::size_t unitOffset = 0; // where the unit starts in .debug_info
    std::size_t unitEnd = ~std::size_t{0}; // where it ends: its own references stay inside
};

// An attribute value as the form gives it; strings and addresses given by index are
// resolved later, once the unit's bases are known (DWARF 5 puts them in the unit's own
// first entry, whose name may already be an index).
enum class FormClass : std::uint8_t {
    None,
    Address,
    AddressIndex,  // into .debug_addr
    Unsigned,      // data1/2/4/8, udata: signed only when read as a signed constant
    Signed,        // sdata, implicit_const
    Block,         // block*, exprloc, data16
    InlineString,  // bytes in .debug_info
    StrOffset,     // into .debug_str
    LineStrOffset, // into .debug_line_str
    StrIndex,      // into .debug_str_offsets
    Reference,     // offset in .debug_info, already made section-absolute
    Signature,     // a type unit's signature
    Flag,
    SectionOffset,
};

struct FormValue {
    FormClass kind = FormClass::None;
    std::uint16_t form = 0;
    std::uint64_t value = 0;               // number, offset, index, reference
    std::uint8_t width = 0;                // bytes of a fixed-size constant (for sign extension)
    bool zeroReference = false;            // a reference whose stored offset is 0
    bool outsideUnit = false;              // a unit-relative reference past the unit's end
    std::span<const std::uint8_t> bytes;   // blocks and inline strings
    std::size_t at = 0;                    // where the value lies in .debug_info
};

// Reads one value of `form` at `in`; false when the form is unknown or its value runs
// past the end. `implicitConst` is the abbreviation's value for DW_FORM_implicit_const.
bool ReadForm(Cursor& in, std::uint64_t form, const FormContext& context, std::int64_t implicitConst,
              FormValue& out);

// A constant as an unsigned or a signed number (fixed-size data sign-extended from its
// width); nothing for values that are not constants.
bool AsUnsigned(const FormValue& value, std::uint64_t& out);
bool AsSigned(const FormValue& value, std::int64_t& out);
// An offset into another section: DW_FORM_sec_offset, or data4/data8 as DWARF 2 and 3
// give one. A sec_offset is never a constant (a count, a size), as libdw holds too.
bool AsSectionOffset(const FormValue& value, std::uint64_t& out);

} // namespace elf
