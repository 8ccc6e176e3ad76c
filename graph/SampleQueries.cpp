#include "graph/SampleQueries.h"

#include <algorithm>
#include <cmath>

namespace graph {

SpanStats StatsOf(const SampleBuffer::Snapshot& samples, std::int64_t fromMs, std::int64_t toMs)
{
    SpanStats stats;
    double sum = 0.0;
    for (std::size_t i = samples.LowerBound(fromMs); i < samples.size(); ++i) {
        const Sample& s = samples[i];
        if (s.timeMs > toMs) break;
        if (stats.count == 0) {
            stats.min = stats.max = s.y;
        } else {
            stats.min = std::min(stats.min, s.y);
            stats.max = std::max(stats.max, s.y);
            stats.rate.Add(static_cast<double>(s.timeMs - samples[i - 1].timeMs));
        }
        sum += s.y;
        ++stats.count;
    }
    if (stats.count > 0) stats.mean = sum / static_cast<double>(stats.count);
    return stats;
}

std::optional<Sample> SampleAt(const SampleBuffer::Snapshot& samples, std::int64_t timeMs)
{
    // The first point after the time, then one back.
    std::size_t low = samples.LowerBound(timeMs);
    if (low < samples.size() && samples[low].timeMs == timeMs) return samples[low];
    if (low == 0) return std::nullopt;
    return samples[low - 1];
}

void PointsToDraw(const SampleBuffer::Snapshot& samples, std::int64_t fromMs, std::int64_t toMs,
                  std::size_t columns, std::vector<Sample>& out)
{
    out.clear();
    if (samples.empty() || toMs < fromMs) return;
    std::size_t first = samples.LowerBound(fromMs);
    if (first > 0) --first;
    std::size_t last = samples.LowerBound(toMs); // the first point at or past the right edge
    if (last >= samples.size()) last = samples.size() - 1;
    const std::size_t count = last - first + 1;
    columns = std::max<std::size_t>(columns, 1);
    if (count <= 4 * columns) {
        out.reserve(count);
        for (std::size_t i = first; i <= last; ++i)
            out.push_back(samples[i]);
        return;
    }
    out.reserve(2 * columns + 2);
    out.push_back(samples[first]);
    const double x0 = static_cast<double>(fromMs);
    const double width = static_cast<double>(toMs - fromMs) / static_cast<double>(columns);
    std::size_t i = first + 1;
    while (i < last) {
        const double columnEnd =
            x0 + width * (std::floor((static_cast<double>(samples[i].timeMs) - x0) / width) + 1.0);
        std::size_t low = i;
        std::size_t high = i;
        double lowY = samples[i].y;
        double highY = lowY;
        while (i < last) {
            std::size_t n = 0;
            const Sample* run = samples.Run(i, n);
            n = std::min(n, last - i);
            std::size_t j = 0;
            for (; j < n && static_cast<double>(run[j].timeMs) < columnEnd; ++j) {
                if (run[j].y < lowY) {
                    lowY = run[j].y;
                    low = i + j;
                }
                if (run[j].y > highY) {
                    highY = run[j].y;
                    high = i + j;
                }
            }
            i += j;
            if (j < n) break;
        }
        if (low == high) {
            out.push_back(samples[low]);
        } else {
            out.push_back(samples[std::min(low, high)]);
            out.push_back(samples[std::max(low, high)]);
        }
    }
    out.push_back(samples[last]);
}

} // namespace graph
