#pragma once

#include <cstdint>
#include <span>

#include "elf/DebugInfo.h"

namespace elf {

// The `.debug` section of DWARF version 1 as the older toolchain writes it: global and
// function-static variables with an address, structs, unions, arrays, enums, typedefs,
// pointers and the fundamental types with this target's sizes (2-byte int, 4-byte long,
// float and double) and function pointers. Objects at address 0 were dead-stripped and
// are dropped.
void ReadDwarf1(std::span<const std::uint8_t> section, const Limits& limits, DebugInfo& info);

} // namespace elf
