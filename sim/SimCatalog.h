#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/SimPart.h"

namespace sim {

// The emulator's view of the shared MCU catalogue and carried data.
constexpr int kDefaultMcuType = 27;  // MC56F8367, the host's selection at start-up

int PartCount();
std::optional<SimPart> PartFor(int type);
// The index of a part named `name` (exact), or -1.
int PartIndexByName(const std::string& name);
// The POD firmware image the program carries.
std::span<const std::uint8_t> CarriedFirmware();

}  // namespace sim
