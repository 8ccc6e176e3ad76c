#include "monitor/RateStats.h"

#include <cstdio>

namespace monitor {

std::string RateText(const RateStats& stats)
{
    if (stats.intervals == 0) return {};
    char text[64];
    const double rate = stats.PerSecond();
    std::snprintf(text, sizeof text, rate < 100 ? "%.1f/s, jitter %.1f ms" : "%.0f/s, jitter %.1f ms", rate,
                  stats.JitterMs());
    return text;
}

} // namespace monitor
