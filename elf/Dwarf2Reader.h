#pragma once

#include <cstdint>
#include <vector>

#include "elf/DebugInfo.h"
#include "elf/ElfImage.h"

namespace elf {

// DWARF 2 and later, read through libdw. `bytes` is the reader's own copy of the file:
// before libdw sees it, the unit lengths are stretched over stray zero bytes between
// units and cut sections are declared at the length the file really has, so that
// libdw's walk over the units does not stop at the first gap.
void ReadDwarf2(std::vector<std::uint8_t>& bytes, const ElfImage& image, const Limits& limits,
                DebugInfo& info);

} // namespace elf
