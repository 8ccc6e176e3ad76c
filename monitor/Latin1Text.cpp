#include "monitor/Latin1Text.h"

namespace monitor {

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

bool Utf8ToLatin1(std::string_view utf8, std::string& latin1)
{
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            latin1 += static_cast<char>(lead);
            continue;
        }
        // U+0080..U+00FF are the two-byte sequences led by 0xC2 and 0xC3; anything else
        // is either above Latin-1 or not UTF-8 at all.
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= utf8.size()) return false;
        const auto trail = static_cast<unsigned char>(utf8[i + 1]);
        if ((trail & 0xC0) != 0x80) return false;
        latin1 += static_cast<char>(((lead & 0x03) << 6) | (trail & 0x3F));
        ++i;
    }
    return true;
}

namespace {
bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace

std::size_t Utf8Length(std::string_view utf8)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count) {
        ++i;
        if (static_cast<unsigned char>(utf8[i - 1]) >= 0xC0) {
            while (i < utf8.size() && IsContinuation(utf8[i]))
                ++i;
        }
    }
    return count;
}

std::string Utf8Prefix(std::string_view utf8, std::size_t count)
{
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < utf8.size(); ++n) {
        ++i;
        if (static_cast<unsigned char>(utf8[i - 1]) >= 0xC0) {
            while (i < utf8.size() && IsContinuation(utf8[i]))
                ++i;
        }
    }
    return std::string(utf8.substr(0, i));
}

} // namespace monitor
