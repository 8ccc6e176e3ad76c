#include "pod/PodClock.h"

#include <chrono>
#include <thread>

namespace pod {

namespace {
std::int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
// Milliseconds from now to a deadline on the wrapping 32-bit clock; 0 once it has passed.
std::uint32_t MsUntil(std::uint32_t deadlineMs, std::uint32_t nowMs)
{
    const auto left = static_cast<std::int32_t>(deadlineMs - nowMs);
    return left > 0 ? static_cast<std::uint32_t>(left) : 0;
}

} // namespace

bool PodClock::WaitUntilMs(std::uint32_t deadlineMs, std::condition_variable& wake,
                           std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready)
{
    for (;;) {
        if (ready()) return true;
        const std::uint32_t left = MsUntil(deadlineMs, NowMs());
        if (left == 0) return false;
        // The millisecond count truncates: a wait of `left` ms may end just short of the
        // deadline on this clock, so the loop tests again.
        wake.wait_for(lock, std::chrono::milliseconds(left));
    }
}

bool VirtualPodClock::WaitUntilMs(std::uint32_t deadlineMs, std::condition_variable&,
                                  std::unique_lock<std::mutex>&, const std::function<bool()>& ready)
{
    if (ready()) return true;
    Advance(MsUntil(deadlineMs, NowMs()));
    return ready();
}

SteadyPodClock::SteadyPodClock() : m_epochNs(SteadyNs()) {}

std::uint32_t SteadyPodClock::NowMs()
{
    return static_cast<std::uint32_t>((SteadyNs() - m_epochNs) / 1'000'000);
}

std::uint64_t SteadyPodClock::NowUs()
{
    return static_cast<std::uint64_t>((SteadyNs() - m_epochNs) / 1'000);
}

void SteadyPodClock::SleepMs(std::uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SteadyPodClock::SleepUs(std::uint32_t microseconds)
{
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

} // namespace pod
