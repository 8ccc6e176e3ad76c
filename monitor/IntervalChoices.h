#pragma once

#include <cstdint>
#include <iterator>

namespace monitor {

// One entry of the interval lists: "Monitoring Interval" (the time from one monitoring
// cycle to the next) and the graph's "View Time Interval" (the time span on screen) offer
// the same choices, by list index.
struct IntervalChoice {
    std::uint32_t ms;
    const char* text;
};

inline constexpr IntervalChoice kIntervalChoices[] = {
    {100, "100 ms"}, {200, "200 ms"}, {500, "500 ms"}, {1000, "1 s"},
    {2000, "2 s"},   {5000, "5 s"},   {10000, "10 s"},
};
inline constexpr int kIntervalChoiceCount = static_cast<int>(std::size(kIntervalChoices));

} // namespace monitor
