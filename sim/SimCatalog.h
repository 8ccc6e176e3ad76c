#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/SimPart.h"

namespace sim {

// The parts the emulated target can be, from the emulator's own table of memory maps and
// flash-routine lengths, and the data the program carries (flash routines, POD firmware).
// The part a target without --sim-mcu is taken to be until a connect names one: the
// host's selection at start-up, MC56F8367, so monitoring right after start reads its RAM.
constexpr int kPartBeforeConnect = 27;

int PartCount();
std::optional<SimPart> PartFor(int type);
// Length in words of the part's flash routine as the chip expects it; 0 outside the table.
// PartFor(type)->loader has this length, or is empty when the carried routine has another.
std::uint32_t LoaderWordsFor(int type);
// The POD firmware image the program carries.
std::span<const std::uint8_t> CarriedFirmware();

} // namespace sim
