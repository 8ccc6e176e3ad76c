#pragma once

#include <cstdint>
#include <span>

#include "elf/DebugInfo.h"
#include "elf/ElfImage.h"

namespace elf {

// DWARF 2 to 5 (32-bit DWARF) from the sections of `image`, read in place: `file` is
// the whole file `image` was parsed from.
void ReadDwarf2(std::span<const std::uint8_t> file, const ElfImage& image, const Limits& limits,
                DebugInfo& info);

} // namespace elf
