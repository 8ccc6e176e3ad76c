#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace monitor {

// The longest interval between two cycles of a watch.
inline constexpr std::uint32_t kMaxWatchIntervalMs = 3'600'000;
// The longest watch by duration, well inside the 32-bit millisecond clock.
inline constexpr double kMaxWatchDurationS = 2'000'000;

// Why a watch's interval, cycle count or duration cannot be used (a count of 0, a
// negative, NaN or endless duration would make a watch that never ends by itself or
// never starts); empty when they can. A missing count or duration is no limit.
std::string WatchLimitsRefusal(long long intervalMs, std::optional<long long> count,
                               std::optional<double> durationS);

} // namespace monitor
