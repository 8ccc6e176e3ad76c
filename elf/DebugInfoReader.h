#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "elf/DebugInfo.h"

namespace elf {

// Reads the debug information of an ELF file: DWARF 2 to 5 (`.debug_info`) or DWARF 1
// (`.debug`), the same on every platform. Never throws; whatever could not be read is said in
// DebugInfo::problem, and what was read before the damage is kept.
DebugInfo ReadDebugInfo(std::span<const std::uint8_t> bytes, const Limits& limits = {});
DebugInfo ReadDebugInfoFile(const std::string& path, const Limits& limits = {});

} // namespace elf
