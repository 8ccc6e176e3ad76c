#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace pod {

// Builds a command payload: the opcode, then fixed-width upper-case hex fields, most
// significant digit first, no separators. A value that does not fit its field would
// shift every later field and corrupt the frame, so it makes the payload invalid and
// the command is refused instead of sent.
class PodPayload {
public:
    explicit PodPayload(std::uint8_t opcode);

    PodPayload& Field(std::uint32_t value, int digits);
    // Data words, four digits each, in array order.
    PodPayload& Words(std::span<const std::uint16_t> words);

    bool valid() const { return m_valid; }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
    bool m_valid = true;
};

} // namespace pod
