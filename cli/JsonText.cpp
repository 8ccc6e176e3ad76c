#include "cli/JsonText.h"

#include <cstdint>

namespace cli {

namespace {

// Length of a valid UTF-8 sequence at s[i] (shortest form, no surrogates, at most
// U+10FFFF), 0 if the bytes there are not one.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF) return 0;
    return n;
}

} // namespace

std::string JsonText(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t n = c < 0x80 ? 1 : Utf8Length(bytes, i);
        if (n > 0) {
            text.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        // Latin-1 byte 0x80..0xFF as the two-byte UTF-8 of the same code point.
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
        ++i;
    }
    return text;
}

std::string JsonLine(const Json& document)
{
    return document.dump();
}

} // namespace cli
