#include "sim/FrameAssembler.h"

#include "sim/FrameCodec.h"

namespace sim {

std::optional<std::string> FrameAssembler::Push(std::uint8_t byte)
{
    if (byte == ':') {
        m_frame.assign(1, ':');
        m_inFrame = true;
        return std::nullopt;
    }
    if (!m_inFrame) {
        return std::nullopt;
    }
    m_frame.push_back(static_cast<char>(byte));
    if (byte == '\r' || m_frame.size() > kMaxFrameBytes) {
        std::string done;
        done.swap(m_frame);
        m_inFrame = false;
        return done;
    }
    return std::nullopt;
}

void FrameAssembler::Reset()
{
    m_frame.clear();
    m_inFrame = false;
}

}  // namespace sim
