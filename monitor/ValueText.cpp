#include "monitor/ValueText.h"

#include "monitor/FracText.h"

#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <limits>

#include "pod/PodFrame.h"

namespace monitor {

namespace {

// A digit's value, or one no base reaches for any other character.
int DigitValue(char c)
{
    const int value = pod::StrictHexDigitValue(c);
    return value < 0 ? 99 : value;
}

// The C library's unsigned and signed long conversions as a 32-bit long computes them:
// blanks, a sign, a "0x" prefix in base 16, digits up to the first other character;
// out-of-range values give the limits, a minus sign negates (modulo 2^32 for unsigned).
struct Scanned {
    bool negative = false;
    bool overflow = false; // magnitude beyond 32 bits
    std::uint64_t magnitude = 0;
};

Scanned Scan(std::string_view text, int base)
{
    Scanned s;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        s.negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16) {
        i += 2;
    }
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base) break;
        s.magnitude = s.magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (s.magnitude > 0xFFFFFFFFull) {
            s.overflow = true;
            s.magnitude = 0xFFFFFFFFull;
        }
    }
    return s;
}

std::uint32_t ToUnsigned(std::string_view text, int base)
{
    const Scanned s = Scan(text, base);
    if (s.overflow) return 0xFFFFFFFFu;
    const auto m = static_cast<std::uint32_t>(s.magnitude);
    return s.negative ? static_cast<std::uint32_t>(0u - m) : m;
}


ValueTextReading Refused(std::string error)
{
    return {std::nullopt, std::move(error)};
}

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

ValueTextReading StrictHex(std::string_view text, std::uint32_t max)
{
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c);
        if (digit >= 16) return Refused(Quoted(text) + " is not a hexadecimal number");
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > max) break;
    }
    if (value > max) {
        char limit[16];
        std::snprintf(limit, sizeof limit, "%X", max);
        return Refused(Quoted(text) + " is more than " + limit);
    }
    return {static_cast<std::uint32_t>(value), {}};
}

ValueTextReading StrictDecimal(std::string_view text, std::int64_t min, std::int64_t max)
{
    std::int64_t value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars takes '-' but not '+'.
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ptr != end || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return Refused(Quoted(text) + " is not a whole decimal number");
    if (ec == std::errc::result_out_of_range || value < min || value > max)
        return Refused(Quoted(text) + " is outside " + std::to_string(min) + ".." +
                       std::to_string(max));
    return {static_cast<std::uint32_t>(value), {}};
}

ValueTextReading StrictFloat(std::string_view text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) negative = *begin++ == '-';
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (begin == end || *begin == '+' || *begin == '-' || ptr != end ||
        (ec != std::errc() && ec != std::errc::result_out_of_range))
        return Refused(Quoted(text) + " is not a decimal number");
    const float single = static_cast<float>(negative ? -value : value);
    if (ec == std::errc::result_out_of_range || (std::isinf(single) && !std::isinf(value)))
        return Refused(Quoted(text) + " is outside the range of FLOAT");
    return {std::bit_cast<std::uint32_t>(single), {}};
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.remove_suffix(1);
    return text;
}

ValueTextReading ReadValueText(std::string_view typed, ViewType viewType)
{
    using Kind = ViewTypeTraits::Kind;
    const std::string_view text = TrimBlanks(typed);
    if (text.empty()) return Refused("no value was given");
    // A blank or a line end around the number is part of what was typed: "5\n" from a
    // script is a mistake to show, not a 5.
    if (text.size() != typed.size())
        return Refused(Quoted(typed) + " has blanks or line ends around the value");
    if (viewType >= kViewTypeCount) return Refused("an ASCII value is written as text");
    const ViewTypeTraits& traits = TraitsOf(viewType);
    const bool word = traits.mask == 0xFFFFu;
    switch (traits.kind) {
    case Kind::Hex:
        return StrictHex(text, traits.mask);
    case Kind::Signed:
        return word ? StrictDecimal(text, -32768, 32767)
                    : StrictDecimal(text, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    case Kind::Unsigned:
        return StrictDecimal(text, 0, traits.mask);
    case Kind::Float:
        return StrictFloat(text);
    case Kind::Fraction:
        if (const auto bits = EncodeFracText(text, viewType)) return {*bits, {}};
        return Refused(FracRefusal(text));
    case Kind::Text:
        break;
    }
    return Refused("an ASCII value is written as text");
}

std::uint32_t ParseUnsignedAuto(std::string_view text)
{
    const bool hex = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    return ToUnsigned(text, hex ? 16 : 10);
}

std::string WordAddressText(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", address);
    return text;
}

std::string ShortestNumberText(ViewType viewType, double value)
{
    char text[32];
    const auto result = viewType == FLOAT ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
                                          : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::uint32_t ParseHexText(std::string_view text)
{
    return ToUnsigned(text, 16);
}

} // namespace monitor
