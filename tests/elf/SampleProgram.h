#pragma once

#include "elf/DebugInfo.h"

namespace elf::test {

// A program with every kind of object this target's toolchains describe: a struct with
// a float, a Q15 field and a bit-field word, arrays with and without a byte size, an
// enum, a typedef nobody refers to, a byte-address pointer, a char at an odd byte, a
// typedef that names itself (damage), a variable whose type was stripped and a function
// pointer of two words.
DebugInfo SampleProgram();

} // namespace elf::test
