#include "pod/FtdiReceiveBuffer.h"

#include <algorithm>

namespace pod {

int FtdiReceiveBuffer::Poll(const Pull& pull)
{
    std::uint8_t chunk[kPollChunk];
    const int n = pull(chunk, kPollChunk);
    if (n > 0) m_bytes.insert(m_bytes.end(), chunk, chunk + std::min(n, kPollChunk));
    return n;
}

int FtdiReceiveBuffer::Read(const Pull& pull, void* buffer, std::uint32_t length)
{
    if (m_bytes.empty() && length > 0) {
        const int polled = Poll(pull);
        if (polled < 0) return polled;
    }
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(length, m_bytes.size()));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::copy_n(m_bytes.begin(), n, out);
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + n);
    return static_cast<int>(n);
}

} // namespace pod
