#include "sim/SimPart.h"

namespace sim {

const std::array<const char*, kRegionCount> kRegionNames = {"DFLASH", "BFLASH", "P1FLASH", "P2FLASH"};

}  // namespace sim
