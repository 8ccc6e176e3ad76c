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
// refused here (texts are written by AsciiWriteWords).
ValueTextReading ReadValueText(std::string_view text, ViewType viewType);

// What a Change Value of an ASCII item of `sizeWords` keeps of a typed (UTF-8) text: all of
// it when it is shorter than sizeWords characters, else its first sizeWords - 1 characters,
// leaving room for the terminating zero; nothing for a size of 0 or below.
std::string ApplyAsciiLength(std::string_view utf8, std::int32_t sizeWords);

// The most bytes one ASCII write carries.
inline constexpr std::int32_t kMaxAsciiWriteBytes = 4096;

// The words an ASCII write of a Latin-1 text sends from the item's address on: the text's
// bytes in a zero-filled buffer of `lengthBytes` (one more when odd, at most 4096), two per
// word, low byte first, up to and including the first word that holds a zero byte, so the
// terminating zero is written and nothing after it.
std::vector<std::uint16_t> AsciiWriteWords(std::string_view latin1, std::int32_t lengthBytes);
// The same for a UTF-8 text; false (and `error` set) for a character outside Latin-1.
bool AsciiWriteWordsFromUtf8(std::string_view utf8, std::int32_t lengthBytes,
                             std::vector<std::uint16_t>& words, std::string& error);

} // namespace monitor
