#pragma once

namespace platform {

// While the scope lives, an interrupt (Ctrl+C or SIGTERM on POSIX; Ctrl+C, Ctrl+Break or
// closing the console on Windows) calls `onInterrupt` instead of ending the program: from
// a signal handler on POSIX, from the console's control thread on Windows. The function
// may only do what a signal handler may (store into a lock-free atomic). With
// secondExitMs, a second interrupt within that many milliseconds of the first ends the
// program at once with exit status 130, for a user whose first request is not heard.
// Scopes do not nest.
class InterruptScope {
public:
    explicit InterruptScope(void (*onInterrupt)(), unsigned secondExitMs = 0);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
};

// The exit status of a program ended by an interrupt, as shells report SIGINT.
inline constexpr int kInterruptedExitStatus = 130;

} // namespace platform
