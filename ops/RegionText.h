#pragma once

#include <cstdint>
#include <string>

namespace ops {

// Status line while a region is transferred: "PROGRAM1 FLASH Download && Verify".
// The doubled ampersand is the status line's escape for one "&".
std::string RegionActivityText(int region, std::uint8_t programMode);

} // namespace ops
