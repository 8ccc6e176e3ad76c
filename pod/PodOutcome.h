#pragma once

#include <cstdint>

namespace pod {

// What became of one POD command. Callers pass it on until someone words it, so a
// message never has to guess why a command failed.
enum class PodStatus : std::uint8_t {
    Ok,
    NotSent,    // the session is closed, or a field does not fit its width: nothing went out
    ErrorReply, // the POD answered in its error form; errorCode holds the two digits
    NoAnswer,   // not one byte within the time-out
    BadReply,   // a reply cut short, or not of the shape this command's reply has
    LinkLost,   // the driver failed to send or to receive
};

struct PodOutcome {
    PodStatus status = PodStatus::Ok;
    std::uint8_t errorCode = 0;  // ErrorReply only
    std::uint32_t timeoutMs = 0; // the time-out the exchange ran with (NoAnswer, BadReply)

    static constexpr PodOutcome Ok() { return {}; }
    static constexpr PodOutcome Failed(PodStatus status, std::uint32_t timeoutMs = 0)
    {
        return {status, 0, timeoutMs};
    }
    static constexpr PodOutcome Error(std::uint8_t code)
    {
        return {PodStatus::ErrorReply, code, 0};
    }

    bool ok() const { return status == PodStatus::Ok; }
    explicit operator bool() const { return ok(); }
};

// An outcome and, when it is ok, the value the reply carried.
template <typename T> struct PodResult {
    PodOutcome outcome;
    T value{};

    bool ok() const { return outcome.ok(); }
    explicit operator bool() const { return ok(); }
};

} // namespace pod
