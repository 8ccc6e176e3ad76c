#include "monitor/WatchLimits.h"

namespace monitor {

std::string WatchLimitsRefusal(long long intervalMs, std::optional<long long> count,
                               std::optional<double> durationS)
{
    if (intervalMs < 1 || intervalMs > kMaxWatchIntervalMs)
        return "interval_ms " + std::to_string(intervalMs) + ": use 1 to " +
               std::to_string(kMaxWatchIntervalMs);
    if (count && *count < 1) return "count " + std::to_string(*count) + ": use 1 or more";
    // NaN fails every comparison, so only "inside the range" is tested.
    if (durationS && !(*durationS > 0 && *durationS <= kMaxWatchDurationS))
        return "duration_s " + std::to_string(*durationS) + ": use a number of seconds above 0 and at most " +
               std::to_string(static_cast<long long>(kMaxWatchDurationS));
    if (count && durationS) return "give count or duration_s, not both";
    return {};
}

} // namespace monitor
