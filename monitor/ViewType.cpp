#include "monitor/ViewType.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdio>

namespace monitor {

namespace {
using Kind = ViewTypeTraits::Kind;
constexpr std::array<ViewTypeTraits, kViewTypeCount> kTraits = {{
    {"BYTE_LOW", "HEX8_LOW", Kind::Hex, 1, 0xFFu, BYTE_LOW},
    {"BYTE_HIGH", "HEX8_HIGH", Kind::Hex, 1, 0xFFu, BYTE_HIGH},
    {"HEX16", "HEX16", Kind::Hex, 1, 0xFFFFu, HEX16},
    {"HEX32", "HEX32", Kind::Hex, 2, 0xFFFFFFFFu, HEX32},
    {"INT16", "INT16", Kind::Signed, 1, 0xFFFFu, INT16},
    {"INT32", "INT32", Kind::Signed, 2, 0xFFFFFFFFu, INT32},
    {"UINT16", "UINT16", Kind::Unsigned, 1, 0xFFFFu, UINT16},
    {"UINT32", "UINT32", Kind::Unsigned, 2, 0xFFFFFFFFu, UINT32},
    {"FLOAT", "FLOAT", Kind::Float, 2, 0xFFFFFFFFu, FLOAT},
    {"ASCII", "ASCII", Kind::Text, 0, 0xFFFFu, ASCII},
    {"FRAC16", "FRAC16", Kind::Fraction, 1, 0xFFFFu, HEX16},
    {"FRAC32", "FRAC32", Kind::Fraction, 2, 0xFFFFFFFFu, HEX32},
}};

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

// A single's seven significant digits, as "%.7g" gives them but in any locale: 1e-07,
// 12.5, 3.141593, 1e+10. Six fixed decimals showed 1e-7 as 0.000000.
std::string SevenDigits(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    return std::string(text, result.ptr);
}
} // namespace

const ViewTypeTraits& TraitsOf(ViewType viewType)
{
    return kTraits[viewType < kViewTypeCount ? viewType : HEX16];
}

std::int32_t SignedValue(ViewType viewType, std::uint32_t value)
{
    if (TraitsOf(viewType).mask == 0xFFFFu) return static_cast<std::int16_t>(value & 0xFFFFu);
    return static_cast<std::int32_t>(value);
}

const char* ViewTypeName(ViewType viewType)
{
    return viewType < kViewTypeCount ? kTraits[viewType].name : "";
}

const char* ViewTypeMenuLabel(ViewType viewType)
{
    return viewType < kViewTypeCount ? kTraits[viewType].menuLabel : "";
}

std::optional<ViewType> FindViewType(std::string_view name)
{
    for (int i = 0; i < kViewTypeCount; ++i) {
        if (name == kTraits[static_cast<std::size_t>(i)].name) return static_cast<ViewType>(i);
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
    return TraitsOf(viewType).words == 2;
}

ViewType WireViewType(ViewType viewType)
{
    return viewType < kViewTypeCount ? kTraits[viewType].wire : viewType;
}

std::string FormatMonitorValue(ViewType viewType, std::uint32_t value)
{
    if (viewType >= kViewTypeCount) return {};
    const ViewTypeTraits& traits = TraitsOf(viewType);
    switch (traits.kind) {
    case Kind::Hex:
        return Printf(traits.mask == 0xFFu ? "0x%02X" : traits.mask == 0xFFFFu ? "0x%04X" : "0x%08X",
                      value & traits.mask);
    case Kind::Signed:
        return Printf("%d", SignedValue(viewType, value));
    case Kind::Unsigned:
        return Printf("%u", value & traits.mask);
    case Kind::Float:
        return SevenDigits(*PlotValue(viewType, value));
    case Kind::Fraction:
        return FixedSix(*PlotValue(viewType, value));
    case Kind::Text:
        break;
    }
    return {};
}

std::optional<double> PlotValue(ViewType viewType, std::uint32_t value)
{
    if (viewType >= kViewTypeCount) return std::nullopt;
    const ViewTypeTraits& traits = TraitsOf(viewType);
    switch (traits.kind) {
    case Kind::Hex:
    case Kind::Unsigned:
        return static_cast<double>(value & traits.mask);
    case Kind::Signed:
        return static_cast<double>(SignedValue(viewType, value));
    case Kind::Float:
        return static_cast<double>(std::bit_cast<float>(value));
    case Kind::Fraction:
        return SignedValue(viewType, value) / (traits.mask == 0xFFFFu ? kQ15 : kQ31);
    case Kind::Text:
        break;
    }
    return std::nullopt;
}

bool HasWholeValues(ViewType viewType)
{
    const auto kind = TraitsOf(viewType).kind;
    return kind == ViewTypeTraits::Kind::Hex || kind == ViewTypeTraits::Kind::Signed ||
           kind == ViewTypeTraits::Kind::Unsigned;
}

} // namespace monitor
