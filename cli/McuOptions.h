#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "image/McuCatalog.h"

namespace cli {

// --mcu NAME|INDEX: a part name in any letter case ("MC56F8367", "mc56f8367") or its index
// 0..27 in decimal. Nothing for anything else.
std::optional<int> ParseMcu(std::string_view text);

// --regions DFLASH,BFLASH,P1FLASH,P2FLASH: comma-separated region names in any letter case
// and order; an empty text selects none. Nothing when a name is unknown.
std::optional<std::array<bool, image::kRegionCount>> ParseRegions(std::string_view text);

} // namespace cli
