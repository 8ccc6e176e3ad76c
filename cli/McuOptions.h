#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "image/McuCatalog.h"

namespace cli {

// --regions DFLASH,BFLASH,P1FLASH,P2FLASH: comma-separated region names in any letter case
// and order; an empty text selects none. Nothing when a name is unknown.
std::optional<std::array<bool, image::kRegionCount>> ParseRegions(std::string_view text);

} // namespace cli
