#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/ViewType.h"

namespace monitor {

// The two watch lists.
enum class WatchListId : std::uint8_t {
    Symbols = 0,   // rows of map symbols
    Addresses = 1, // rows of raw addresses
};

// Typed numbers are converted leniently and never rejected: "0x"/"0X" reads hexadecimal,
// anything else decimal; leading blanks and a sign are taken as the unsigned C conversion
// takes them; reading stops at the first character that does not belong; no digits give 0.
std::uint32_t ParseUnsignedAuto(std::string_view text);
// Hexadecimal with an optional "0x"/"0X" prefix, same leniency.
std::uint32_t ParseHexText(std::string_view text);
// A word address as every message and file names it: "0x000143", six hex digits for the
// 24-bit data space of the largest parts.
std::string WordAddressText(std::uint32_t address);
// The shortest text that reads back the same number, for CSV: a FLOAT as the single it is,
// not as the double it was widened to.
std::string ShortestNumberText(ViewType viewType, double value);

// What a typed value text stands for under a view type, read strictly.
struct ValueTextReading {
    std::optional<std::uint32_t> bits; // the 32 bits to write; nullopt when refused
    std::string error;                 // why it was refused, for the user
};

// Reads a typed value strictly: the whole text, blanks included, must be one number
// of the view type's kind and range, or it is refused with the reason and nothing may be
// written. Byte and HEX types take hexadecimal (optional "0x"), the INT and UINT types
// whole decimals, FLOAT a decimal number in the single's range or "nan"/"inf" typed as
// such. A typo or an empty text must never reach a running target as 0. ASCII is
// refused here (texts are written by TextWordsOf).
ValueTextReading ReadValueText(std::string_view text, ViewType viewType);

// The text without blanks (spaces, tabs, line ends) at either end.
std::string_view TrimBlanks(std::string_view text);

} // namespace monitor
