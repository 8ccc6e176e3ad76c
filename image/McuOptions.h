#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "image/McuCatalog.h"

namespace image {

// --mcu NAME|INDEX into `mcu`, which keeps its value when the text is empty (the option
// was not given). Returns the usage message for a text that names no part, else "".
std::string ParseMcuOption(std::string_view text, int& mcu);

// --regions DFLASH,BFLASH,P1FLASH,P2FLASH: comma-separated region names in any letter case
// and order; an empty text selects none. Nothing when a name is unknown.
std::optional<std::array<bool, image::kRegionCount>> ParseRegions(std::string_view text);

} // namespace image
