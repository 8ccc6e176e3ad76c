#include "pod/PodPayload.h"

#include <cstdio>

namespace pod {

PodPayload::PodPayload(std::uint8_t opcode)
{
    Field(opcode, 2);
}

PodPayload& PodPayload::Field(std::uint32_t value, int digits)
{
    if (digits < 1 || digits > 8 || (digits < 8 && value >> (4 * digits) != 0)) {
        m_valid = false;
        return *this;
    }
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    m_text += text;
    return *this;
}

PodPayload& PodPayload::Words(std::span<const std::uint16_t> words)
{
    m_text.reserve(m_text.size() + 4 * words.size());
    for (std::uint16_t word : words)
        Field(word, 4);
    return *this;
}

} // namespace pod
