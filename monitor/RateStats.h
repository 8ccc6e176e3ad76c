#pragma once

#include <cmath>
#include <cstddef>
#include <string>

namespace monitor {

// How often and how evenly readings were actually taken, from the intervals between
// their times: polling shows the rate it reached, not the one it asked for.
struct RateStats {
    std::size_t intervals = 0;
    double meanMs = 0.0;
    double longestMs = 0.0;

    void Add(double intervalMs)
    {
        // Welford's running mean and squared deviations: one pass, no list kept.
        ++intervals;
        const double delta = intervalMs - meanMs;
        meanMs += delta / static_cast<double>(intervals);
        m_squares += delta * (intervalMs - meanMs);
        if (intervalMs > longestMs) longestMs = intervalMs;
    }
    // Readings a second; 0 before two readings.
    double PerSecond() const { return intervals > 0 && meanMs > 0 ? 1000.0 / meanMs : 0.0; }
    // The standard deviation of the intervals.
    double JitterMs() const { return intervals > 1 ? std::sqrt(m_squares / static_cast<double>(intervals)) : 0.0; }

private:
    double m_squares = 0.0;
};

// "9.9/s, jitter 0.3 ms"; empty before two readings.
std::string RateText(const RateStats& stats);

} // namespace monitor
