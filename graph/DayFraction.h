#pragma once

#include <cstdint>

namespace graph {

inline constexpr std::uint32_t kMsPerDay = 86'400'000;

// Elapsed milliseconds as a fraction of one day, the unit of the plots' time axis. Whole
// days are dropped, so the X coordinate wraps every 24 hours. The parts are added as
// minutes, hours, seconds, milliseconds in extended precision, so that equal elapsed
// times give bit-identical X values whatever computed them.
double ElapsedToDayFraction(std::uint32_t elapsedMs);

// The elapsed milliseconds an X coordinate stands for (within its day), rounded.
std::uint32_t DayFractionToMs(double dayFraction);

} // namespace graph
