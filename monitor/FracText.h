#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/ViewType.h"

namespace monitor {

// The bits of a typed fraction for FRAC16 (Q15) or FRAC32 (Q31): a decimal number in
// [-1, 1), blanks around it allowed, rounded to the nearest step. nullopt for anything
// else — text that is not wholly a number, or a number outside the range — since a
// fraction register silently wrapped to the other sign is worse than a refusal.
std::optional<std::uint32_t> EncodeFracText(std::string_view text, ViewType viewType);

// Why EncodeFracText refused `text`, in the user's words.
std::string FracRefusal(std::string_view text);

} // namespace monitor
