#include "sim/HexText.h"

namespace sim {

bool IsUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::uint32_t UpperHexValue(char c)
{
    return c <= '9' ? static_cast<std::uint32_t>(c - '0') : static_cast<std::uint32_t>(c - 'A' + 10);
}

bool ReadHexField(std::string_view text, std::size_t& pos, int digits, std::uint32_t& value)
{
    if (digits <= 0 || digits > 8 || pos + static_cast<std::size_t>(digits) > text.size()) {
        return false;
    }
    std::uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[pos + static_cast<std::size_t>(i)];
        if (!IsUpperHexDigit(c)) {
            return false;
        }
        result = (result << 4) | UpperHexValue(c);
    }
    pos += static_cast<std::size_t>(digits);
    value = result;
    return true;
}

void AppendHex(std::string& out, std::uint32_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xFu]);
    }
}

std::uint8_t PayloadChecksum(std::string_view payload)
{
    std::uint8_t sum = 0;
    for (char c : payload) {
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    }
    return sum;
}

}  // namespace sim
