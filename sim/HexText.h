#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// Fixed-width upper-case hex fields, as the POD's firmware reads and writes them.
// Lower-case digits are not hex to the firmware: the host always sends "%0NX".
bool IsUpperHexDigit(char c);
std::uint32_t UpperHexValue(char c);

// Reads `digits` upper-case hex digits at `pos` and advances it; false when the text is
// too short or holds another character.
bool ReadHexField(std::string_view text, std::size_t& pos, int digits, std::uint32_t& value);

void AppendHex(std::string& out, std::uint32_t value, int digits);

// 8-bit sum of the character codes of a frame payload.
std::uint8_t PayloadChecksum(std::string_view payload);

}  // namespace sim
