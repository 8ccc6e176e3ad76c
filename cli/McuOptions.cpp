#include "cli/McuOptions.h"

#include <cctype>
#include <string>

namespace cli {

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

std::optional<int> ParseMcu(std::string_view text)
{
    text = Trim(text);
    if (text.empty()) {
        return std::nullopt;
    }
    bool digits = text.size() <= 3;
    for (char c : text) {
        digits = digits && std::isdigit(static_cast<unsigned char>(c));
    }
    if (digits) {
        const int index = std::stoi(std::string(text));
        return image::IsValidMcuType(index) ? std::optional<int>(index) : std::nullopt;
    }
    const int index = image::McuIndexByName(Upper(text));
    return index >= 0 ? std::optional<int>(index) : std::nullopt;
}

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

} // namespace cli
