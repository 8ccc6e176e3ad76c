#pragma once

#include <cstdint>
#include <span>

#include "elf/DebugInfo.h"

namespace elf::oracle {

// DWARF 2 and later read through elfutils' libdw, to check our own reader against: the
// tests and the ELF fuzzer compare the two. Linux only; never part of the product. Before
// libdw sees the file, a copy of it has the unit lengths stretched over stray zero bytes
// between units and cut sections declared at the length the file really has, since
// libdw's walk would stop at the first gap where our reader reads on.
DebugInfo ReadWithLibdw(std::span<const std::uint8_t> bytes, const Limits& limits = {});

} // namespace elf::oracle
