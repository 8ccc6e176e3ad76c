#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "graph/SampleBuffer.h"
#include "monitor/RateStats.h"

namespace graph {

// Times are microseconds, as in Sample.

// Minimum, maximum and mean of the points whose time lies in [fromUs, toUs], and the rate
// they were read at.
struct SpanStats {
    std::size_t count = 0; // 0: no point in the span, the rest is meaningless
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    monitor::RateStats rate;
};
SpanStats StatsOf(const SampleBuffer::Snapshot& samples, std::int64_t fromUs, std::int64_t toUs);

// The curve's value at a time: the last point at or before it (the value held until the
// next reading); nullopt before the first point.
std::optional<Sample> SampleAt(const SampleBuffer::Snapshot& samples, std::int64_t timeUs);

// The points that draw the span [fromUs, toUs] on a plot `columns` pixels wide, with the
// neighbour on each side so the curve runs to the edges. A span of more than four points
// per column keeps, per column, its lowest and its highest point in time order: the
// drawn curve covers the same pixels as the full one, at a cost bound by the width
// rather than by the length of the run.
void PointsToDraw(const SampleBuffer::Snapshot& samples, std::int64_t fromUs, std::int64_t toUs,
                  std::size_t columns, std::vector<Sample>& out);

} // namespace graph
