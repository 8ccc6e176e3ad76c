#include "graph/SampleQueries.h"

#include <algorithm>
#include <cmath>

namespace graph {

SpanStats StatsOf(const SampleBuffer::Snapshot& samples, std::int64_t fromUs, std::int64_t toUs)
{
    SpanStats stats;
    double sum = 0.0;
    for (std::size_t i = samples.LowerBound(fromUs); i < samples.size(); ++i) {
        const Sample& s = samples[i];
        if (s.timeUs > toUs) break;
        if (stats.count == 0) {
            stats.min = stats.max = s.y;
        } else {
            stats.min = std::min(stats.min, s.y);
            stats.max = std::max(stats.max, s.y);
            stats.rate.Add(static_cast<double>(s.timeUs - samples[i - 1].timeUs) / 1000.0);
        }
        sum += s.y;
        ++stats.count;
    }
    if (stats.count > 0) stats.mean = sum / static_cast<double>(stats.count);
    return stats;
}

std::optional<Sample> SampleAt(const SampleBuffer::Snapshot& samples, std::int64_t timeUs)
{
    // The first point after the time, then one back.
    std::size_t low = samples.LowerBound(timeUs);
    if (low < samples.size() && samples[low].timeUs == timeUs) return samples[low];
    if (low == 0) return std::nullopt;
    return samples[low - 1];
}

void PointsToDraw(const SampleBuffer::Snapshot& samples, std::int64_t fromUs, std::int64_t toUs,
                  std::size_t columns, std::vector<Sample>& out)
{
    out.clear();
    if (samples.empty() || toUs < fromUs) return;
    std::size_t first = samples.LowerBound(fromUs);
    if (first > 0) --first;
    std::size_t last = samples.LowerBound(toUs); // the first point at or past the right edge
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
    const double x0 = static_cast<double>(fromUs);
    const double width = static_cast<double>(toUs - fromUs) / static_cast<double>(columns);
    std::size_t i = first + 1;
    while (i < last) {
        const double columnEnd =
            x0 + width * (std::floor((static_cast<double>(samples[i].timeUs) - x0) / width) + 1.0);
        std::size_t low = i;
        std::size_t high = i;
        double lowY = samples[i].y;
        double highY = lowY;
        while (i < last) {
            std::size_t n = 0;
            const Sample* run = samples.Run(i, n);
            n = std::min(n, last - i);
            std::size_t j = 0;
            for (; j < n && static_cast<double>(run[j].timeUs) < columnEnd; ++j) {
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
