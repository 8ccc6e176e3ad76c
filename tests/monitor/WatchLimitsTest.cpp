// A watch that would never end by itself, or never start, is refused before the POD is
// touched; the limits are the same for quobin-cli and a script.
#include "monitor/WatchLimits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct LimitCase {
    long long intervalMs;
    std::optional<long long> count;
    std::optional<double> durationS;
    std::string refusalStart; // empty: accepted
};

TEST(WatchLimits, EndlessOrEmptyWatchesAreRefused)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const LimitCase cases[] = {
        {100, std::nullopt, std::nullopt, ""}, // until Ctrl+C
        {1, 1, std::nullopt, ""},
        {3'600'000, std::nullopt, 2'000'000.0, ""},
        {0, std::nullopt, std::nullopt, "interval_ms 0"},
        {3'600'001, std::nullopt, std::nullopt, "interval_ms 3600001"},
        {100, 0, std::nullopt, "count 0: use 1 or more"},
        {100, -1, std::nullopt, "count -1"},
        {100, std::nullopt, 0.0, "duration_s"},
        {100, std::nullopt, -0.5, "duration_s"},
        {100, std::nullopt, nan, "duration_s"},
        {100, std::nullopt, inf, "duration_s"},
        {100, std::nullopt, 2'000'000.5, "duration_s"},
        {100, 5, 1.0, "give count or duration_s, not both"},
    };
    for (const LimitCase& c : cases) {
        const std::string refusal = monitor::WatchLimitsRefusal(c.intervalMs, c.count, c.durationS);
        SCOPED_TRACE(refusal);
        if (c.refusalStart.empty()) {
            EXPECT_EQ(refusal, "");
        } else {
            EXPECT_EQ(refusal.rfind(c.refusalStart, 0), 0u);
        }
    }
}

} // namespace
