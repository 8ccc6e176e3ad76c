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
} // namespace

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
