#include "graph/DayFraction.h"

#include <cmath>

namespace graph {

double ElapsedToDayFraction(std::uint32_t elapsedMs)
{
    std::uint32_t m = elapsedMs % kMsPerDay;
    const std::uint32_t hours = m / 3'600'000;
    m %= 3'600'000;
    const std::uint32_t minutes = m / 60'000;
    m %= 60'000;
    const std::uint32_t seconds = m / 1'000;
    const std::uint32_t milliseconds = m % 1'000;
    long double sum = static_cast<long double>(minutes) / 1440.0L;
    sum += static_cast<long double>(hours) / 24.0L;
    sum += static_cast<long double>(seconds) / 86400.0L;
    sum += static_cast<long double>(milliseconds) / 86'400'000.0L;
    return static_cast<double>(sum);
}

std::uint32_t DayFractionToMs(double dayFraction)
{
    const double ms = std::round(dayFraction * kMsPerDay);
    if (!(ms > 0.0)) return 0;
    if (ms >= kMsPerDay) return kMsPerDay - 1;
    return static_cast<std::uint32_t>(ms);
}

} // namespace graph
