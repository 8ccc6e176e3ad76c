#pragma once

namespace platform {

// While the scope lives, Ctrl+C calls `onInterrupt` instead of ending the program: from
// a signal handler on POSIX, from the console's control thread on Windows. The function
// may only do what a signal handler may (set an atomic flag). Scopes do not nest.
class InterruptScope {
public:
    explicit InterruptScope(void (*onInterrupt)());
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    void (*m_previous)(int) = nullptr; // the signal disposition to restore (POSIX)
};

} // namespace platform
