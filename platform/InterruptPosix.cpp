#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<void (*)()> g_onInterrupt{nullptr};
std::atomic<unsigned> g_secondExitMs{0};
// Monotonic milliseconds (plus one, so 0 means none) of the first interrupt.
std::atomic<long long> g_firstMs{0};
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

long long MonotonicMs()
{
    // clock_gettime is async-signal-safe; std::chrono is not promised to be.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000 + 1;
}

extern "C" void OnSignal(int)
{
    const long long now = MonotonicMs();
    const long long first = g_firstMs.load();
    const unsigned window = g_secondExitMs.load();
    if (first != 0 && window != 0 && now - first <= window) _exit(kInterruptedExitStatus);
    if (first == 0) g_firstMs.store(now);
    if (auto handler = g_onInterrupt.load()) handler();
}

} // namespace

InterruptScope::InterruptScope(void (*onInterrupt)(), unsigned secondExitMs)
{
    g_firstMs.store(0);
    g_secondExitMs.store(secondExitMs);
    g_onInterrupt.store(onInterrupt);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

InterruptScope::~InterruptScope()
{
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    g_onInterrupt.store(nullptr);
}

} // namespace platform
