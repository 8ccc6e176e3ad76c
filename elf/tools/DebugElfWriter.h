#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "elf/DebugInfo.h"

namespace elf {

// How a written file resembles what the target's toolchains produce.
struct WriterOptions {
    int dwarfVersion = 2; // 2 (current toolchain) or 1 (the older one: `.debug`)
    std::uint16_t machine = 200;
    std::string producer = "Metrowerks C/C++ M56800E";
    // DWARF 2: zero bytes left after the first unit, as the linker leaves them.
    std::uint32_t strayZeroBytes = 0;
    // DWARF 2: every unit padded with null entries to a length that is a multiple of this
    // (0: not padded), as a unit of length 0x100 in a real file, whose first byte is zero.
    std::uint32_t unitLengthMultiple = 0;
    // DWARF 1: variables written as statics inside a function.
    std::vector<std::string> functionStatics;
};

// An ELF32 little-endian ET_EXEC file whose debug information describes `program`'s
// types and variables. DWARF 2 is written as this target's toolchain does: every type
// reference is DW_FORM_ref_addr (section-absolute) and the types live in a unit of
// their own that the variables' unit refers into; a variable of unknown type (-1) is
// written into a third unit with a type reference of 0; member offsets are
// DW_OP_plus_uconst blocks; bit offsets count from the most significant bit; arrays of
// more than 64 bytes carry no byte size.
std::vector<std::uint8_t> WriteDebugElf(const DebugInfo& program, const WriterOptions& options = {});

} // namespace elf
