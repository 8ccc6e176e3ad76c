#pragma once

#include <array>
#include <cstdint>

#include "image/McuCatalog.h"

namespace image {

// The run choices an S-file load took, resolved (the reset delay in milliseconds, the
// part's type, indices outside their lists replaced): what the programming operations read.
struct RunSettings {
    std::array<bool, kRegionCount> regions{}; // region check boxes in RegionIndex order
    bool resetAfter = false;                  // "Target reset after downloading program"
    int resetPolarity = 0;                    // 0 "Active Low", 1 "Active High"
    std::uint16_t resetDelayMs = 100;
    int mcuType = kDefaultMcuType;
};

} // namespace image
