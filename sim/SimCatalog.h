#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/SimPart.h"

namespace sim {

// The parts the emulated target can be, from the emulator's own table of memory maps and
// flash-routine lengths, and the data the program carries (flash routines, POD firmware).
constexpr int kDefaultMcuType = 27; // MC56F8367, the host's selection at start-up

int PartCount();
std::optional<SimPart> PartFor(int type);
// The index of a part named `name` (exact), or -1.
int PartIndexByName(const std::string& name);
// Length in words of the part's flash routine as the chip expects it; 0 outside the table.
// PartFor(type)->loader has this length, or is empty when the carried routine has another.
std::uint32_t LoaderWordsFor(int type);
// The POD firmware image the program carries.
std::span<const std::uint8_t> CarriedFirmware();

} // namespace sim
