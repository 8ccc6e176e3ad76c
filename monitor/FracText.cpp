#include "monitor/FracText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace monitor {

std::optional<std::uint32_t> EncodeFracText(std::string_view text, ViewType viewType)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (!(value >= -1.0 && value < 1.0)) return std::nullopt;
    if (viewType == FRAC16) {
        const double steps = std::min(std::round(value * 32768.0), 32767.0);
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(steps)) & 0xFFFFu;
    }
    if (viewType == FRAC32) {
        const double steps = std::min(std::round(value * 2147483648.0), 2147483647.0);
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(steps));
    }
    return std::nullopt;
}

std::string FracRefusal(std::string_view text)
{
    return "'" + std::string(text) + "' is not a fraction: give a decimal number from -1 up to (not including) 1";
}

} // namespace monitor
