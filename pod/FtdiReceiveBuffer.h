#pragma once

#include <cstdint>
#include <deque>
#include <functional>

namespace pod {

// The host-side receive queue of the libftdi back end. libftdi has no call that reports
// waiting bytes without taking them, so every USB poll moves what arrived into this
// queue; reads take from it and the queue length is the receive-queue status.
class FtdiReceiveBuffer {
public:
    // One USB read into buffer of at most size bytes: the count read, or a negative
    // libftdi error.
    using Pull = std::function<int(std::uint8_t* buffer, int size)>;

    // Polls once and appends what arrived; the pull's result.
    int Poll(const Pull& pull);
    // Up to length bytes, polling once first when the queue is empty; never waits longer
    // than one poll. A negative result is the pull's error.
    int Read(const Pull& pull, void* buffer, std::uint32_t length);
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    void Clear() { m_bytes.clear(); }

    static constexpr int kPollChunk = 4096;

private:
    std::deque<std::uint8_t> m_bytes;
};

} // namespace pod
