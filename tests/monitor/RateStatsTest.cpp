#include "monitor/RateStats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace monitor {
namespace {

// The rate polling reached and how evenly: a mean taken as the rate asked for, a jitter
// that is not the spread of the intervals, or a text that turns 1000/s into "1e+03"
// would show a user a rate the link never reached.
TEST(RateStats, TheRateAndJitterOfTheIntervals)
{
    const struct {
        std::vector<double> intervalsMs;
        double perSecond;
        double jitterMs;
        double longestMs;
        std::string text;
    } cases[] = {
        {{}, 0, 0, 0, ""},
        {{100}, 10, 0, 100, "10.0/s, jitter 0.0 ms"},
        {{90, 110}, 10, 10, 110, "10.0/s, jitter 10.0 ms"},
        {{11, 11, 11, 11}, 1000.0 / 11, 0, 11, "90.9/s, jitter 0.0 ms"},
        {{1, 1, 1, 1}, 1000, 0, 1, "1000/s, jitter 0.0 ms"},
    };
    for (const auto& c : cases) {
        RateStats stats;
        for (const double interval : c.intervalsMs) stats.Add(interval);
        EXPECT_DOUBLE_EQ(stats.PerSecond(), c.perSecond);
        EXPECT_DOUBLE_EQ(stats.JitterMs(), c.jitterMs);
        EXPECT_DOUBLE_EQ(stats.longestMs, c.longestMs);
        EXPECT_EQ(RateText(stats), c.text);
    }
}

} // namespace
} // namespace monitor
