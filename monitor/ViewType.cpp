#include "monitor/ViewType.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdio>

namespace monitor {

namespace {
constexpr std::array<const char*, kViewTypeCount> kNames = {
    "BYTE_LOW", "BYTE_HIGH", "HEX16",  "HEX32", "INT16",
    "INT32",    "UINT16",    "UINT32", "FLOAT", "ASCII", "FRAC16", "FRAC32"};
constexpr std::array<const char*, kViewTypeCount> kMenuLabels = {
    "HEX8_LOW", "HEX8_HIGH", "HEX16",  "HEX32", "INT16",
    "INT32",    "UINT16",    "UINT32", "FLOAT", "ASCII", "FRAC16", "FRAC32"};

constexpr double kQ15 = 32768.0;
constexpr double kQ31 = 2147483648.0;

std::string Printf(const char* format, auto value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// "%.6f" without the C locale's say: a window started under a locale with a decimal comma
// must still show 1.500000.
std::string FixedSix(double value)
{
    char text[400]; // room for FLT_MAX in fixed notation
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}
} // namespace

const char* ViewTypeName(ViewType viewType)
{
    return viewType < kViewTypeCount ? kNames[viewType] : "";
}

const char* ViewTypeMenuLabel(ViewType viewType)
{
    return viewType < kViewTypeCount ? kMenuLabels[viewType] : "";
}

std::optional<ViewType> FindViewType(std::string_view name)
{
    for (int i = 0; i < kViewTypeCount; ++i) {
        if (name == kNames[static_cast<std::size_t>(i)]) return static_cast<ViewType>(i);
    }
    return std::nullopt;
}

ViewType ViewTypeFromName(std::string_view name)
{
    return FindViewType(name).value_or(HEX16);
}

ViewType ViewTypeFromNumber(long number)
{
    return number >= 0 && number < kViewTypeCount ? static_cast<ViewType>(number) : HEX16;
}

ViewType DefaultViewType(std::int32_t sizeWords)
{
    if (sizeWords == 2) return HEX32;
    if (sizeWords > 2) return ASCII;
    return HEX16;
}

bool IsTwoWordViewType(ViewType viewType)
{
    return viewType == HEX32 || viewType == INT32 || viewType == UINT32 || viewType == FLOAT ||
           viewType == FRAC32;
}

ViewType WireViewType(ViewType viewType)
{
    if (viewType == FRAC16) return HEX16;
    if (viewType == FRAC32) return HEX32;
    return viewType;
}

std::string FormatMonitorValue(ViewType viewType, std::uint32_t value)
{
    switch (viewType) {
    case BYTE_LOW:
    case BYTE_HIGH:
        return Printf("0x%02X", value & 0xFFu);
    case HEX16:
        return Printf("0x%04X", value & 0xFFFFu);
    case HEX32:
        return Printf("0x%08X", value);
    case INT16:
        return Printf("%d", static_cast<int>(static_cast<std::int16_t>(value & 0xFFFFu)));
    case INT32:
        return Printf("%d", static_cast<std::int32_t>(value));
    case UINT16:
        return Printf("%u", value & 0xFFFFu);
    case UINT32:
        return Printf("%u", value);
    case FLOAT:
        return FixedSix(static_cast<double>(std::bit_cast<float>(value)));
    case FRAC16:
    case FRAC32:
        return FixedSix(*PlotValue(viewType, value));
    case ASCII:
        break;
    }
    return {};
}

std::optional<double> PlotValue(ViewType viewType, std::uint32_t value)
{
    switch (viewType) {
    case BYTE_LOW:
    case BYTE_HIGH:
        return static_cast<double>(value & 0xFFu);
    case HEX16:
    case UINT16:
        return static_cast<double>(value & 0xFFFFu);
    case HEX32:
    case UINT32:
        return static_cast<double>(value);
    case INT16:
        return static_cast<double>(static_cast<std::int16_t>(value & 0xFFFFu));
    case INT32:
        return static_cast<double>(static_cast<std::int32_t>(value));
    case FLOAT:
        return static_cast<double>(std::bit_cast<float>(value));
    case FRAC16:
        return static_cast<std::int16_t>(value & 0xFFFFu) / kQ15;
    case FRAC32:
        return static_cast<std::int32_t>(value) / kQ31;
    case ASCII:
        break;
    }
    return std::nullopt;
}

std::uint32_t AsciiReadWordCount(std::int32_t sizeWords)
{
    if (sizeWords <= 0) return 0;
    const auto size = static_cast<std::uint32_t>(sizeWords);
    return size / 2 + size % 2;
}

std::string AsciiTextFromWords(std::span<const std::uint16_t> words)
{
    std::string latin1;
    for (std::uint16_t word : words) {
        const auto low = static_cast<char>(word & 0xFFu);
        const auto high = static_cast<char>(word >> 8);
        if (low == 0) break;
        latin1 += low;
        if (high == 0) break;
        latin1 += high;
    }
    return Latin1ToUtf8(latin1);
}

} // namespace monitor
