#include "image/McuOptions.h"

#include <cctype>
#include <string>

namespace image {

std::string ParseMcuOption(std::string_view text, int& mcu)
{
    if (text.empty()) return {};
    const auto parsed = image::ParseMcu(text);
    if (!parsed)
        return "unknown MCU '" + std::string(text) + "'; `quobin-cli mcus` lists the parts";
    mcu = *parsed;
    return {};
}

namespace {

std::string Upper(std::string_view text)
{
    std::string s(text);
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

std::optional<std::array<bool, image::kRegionCount>> ParseRegions(std::string_view text)
{
    std::array<bool, image::kRegionCount> regions{};
    text = Trim(text);
    if (text.empty()) {
        return regions;
    }
    for (;;) {
        const std::size_t comma = text.find(',');
        const int r = image::RegionIndexByName(Upper(Trim(text.substr(0, comma))));
        if (r < 0) {
            return std::nullopt;
        }
        regions[static_cast<std::size_t>(r)] = true;
        if (comma == std::string_view::npos) {
            return regions;
        }
        text.remove_prefix(comma + 1);
    }
}

} // namespace image
