#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "elf/DebugInfo.h"

namespace elf {

// How a written file resembles what the target's toolchains produce.
struct WriterOptions {
    // 2 (current toolchain) or 1 (the older one: `.debug`); 3 and 4 as other compilers
    // write them (DWARF 4: exprloc locations and constant member offsets).
    int dwarfVersion = 2;
    std::uint16_t machine = 200;
    std::string producer = "Metrowerks C/C++ M56800E";
    // DWARF 2: zero bytes left after the first unit, as the linker leaves them.
    std::uint32_t strayZeroBytes = 0;
    // DWARF 2: every unit padded with null entries to a length that is a multiple of this
    // (0: not padded), as a unit of length 0x100 in a real file, whose first byte is zero.
    std::uint32_t unitLengthMultiple = 0;
    // DWARF 1: variables written as statics inside a function.
    std::vector<std::string> functionStatics;
    // DWARF 1: the values of an enum's element list as wide as the enum (one or two
    // bytes) instead of as wide as a long.
    bool enumValuesAsWideAsEnum = false;
    // DWARF 1: the element list with a 2-byte length (AT_short_element_list).
    bool shortElementList = false;
    // DWARF 2+: names kept in .debug_str (DW_FORM_strp), one copy of each text.
    bool namesInStringTable = false;
    // DWARF 4: bit fields placed by DW_AT_data_bit_offset instead of DW_AT_bit_offset.
    bool dataBitOffset = false;
    // DWARF 2+: the units' address size, which is also the width of a DWARF 2 section
    // reference (DW_FORM_ref_addr) and of the variables' addresses.
    std::uint8_t addressSize = 4;
    // DWARF 2+: bytes put before the first unit of .debug_info, e.g. a unit of a kind
    // the writer does not make.
    std::vector<std::uint8_t> leadingInfoBytes;
};

// An ELF32 little-endian ET_EXEC file whose debug information describes `program`'s
// types and variables. DWARF 2 is written as this target's toolchain does: every type
// reference is DW_FORM_ref_addr (section-absolute) and the types live in a unit of
// their own that the variables' unit refers into; a variable of unknown type (-1) is
// written into a third unit with a type reference of 0; member offsets are
// DW_OP_plus_uconst blocks; bit offsets count from the most significant bit; arrays of
// more than 64 bytes carry no byte size. Function types (TypeKind::Function) are written
// as subroutine types that function pointers point to.
std::vector<std::uint8_t> WriteDebugElf(const DebugInfo& program, const WriterOptions& options = {});

} // namespace elf
