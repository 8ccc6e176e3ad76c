#include "elf/DebugInfo.h"

#include <ostream>

namespace elf {

const std::string& Name::Empty()
{
    static const std::string empty;
    return empty;
}

std::ostream& operator<<(std::ostream& out, const Name& name)
{
    return out << name.str();
}

std::string NameText(std::string_view bytes)
{
    std::string text;
    const bool cut = bytes.size() > kMaxNameBytes;
    if (cut) bytes = bytes.substr(0, kMaxNameBytes);
    text.reserve(bytes.size() + 3);
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) {
            text.push_back('?');
        } else if (code < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (code >> 6)));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    if (cut) text += "\xE2\x80\xA6"; // …
    return text;
}

} // namespace elf
