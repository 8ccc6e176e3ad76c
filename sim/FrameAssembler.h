#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// Collects the bytes the POD hears into frames. Bytes outside a frame (before its ':')
// are line noise and are dropped; a ':' inside a frame starts the frame again, as the
// firmware resynchronises on it. A frame that outgrows the firmware's buffer is
// returned as it stands so that it is answered with an error.
class FrameAssembler {
public:
    // Returns a complete frame (':' ... CR) once its CR arrives.
    std::optional<std::string> Push(std::uint8_t byte);
    void Reset();

private:
    std::string m_frame;
    bool m_inFrame = false;
};

} // namespace sim
