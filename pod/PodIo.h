#pragma once

#include <cstdint>

namespace pod {

class PodSession;

// Result of a transfer primitive.
enum class PodIoResult : int {
    Done = 0,
    DriverError = 1, // a driver call returned a status other than OK
    Timeout = 2,     // transmit queue not drained, or reply bytes missing
};

// Time-out of every exchange, and the short one of memory reads so that periodic
// monitoring stays responsive when the target stops answering.
inline constexpr std::uint32_t kPodTimeoutMs = 1500;
inline constexpr std::uint32_t kPodReadMemoryTimeoutMs = 100;

// Sends length bytes on the session's handle and waits, polling without sleeping, until
// the driver's transmit queue is empty or timeoutMs have passed. Takes the session lock.
PodIoResult PodWrite(PodSession& session, const void* buffer, std::uint32_t length,
                     std::uint32_t timeoutMs);

// Reads exactly count bytes, one driver read per byte; bytes beyond count stay queued.
// The time-out runs from the first empty read of an idle run, is restarted by every
// received byte, and needs at least two empty reads to expire. Each empty read sleeps
// 1 ms on the session's clock. The buffer is not terminated. Takes the session lock.
// `stored`, when given, receives the number of bytes stored, also on failure.
PodIoResult PodRead(PodSession& session, void* buffer, std::uint32_t count, std::uint32_t timeoutMs,
                    std::uint32_t* stored = nullptr);

} // namespace pod
