#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "graph/SampleBuffer.h"

namespace graph {

// Minimum, maximum and mean of the points whose X lies in [x0, x1].
struct SpanStats {
    std::size_t count = 0; // 0: no point in the span, the rest is meaningless
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
};
SpanStats StatsOf(const SampleBuffer::Snapshot& samples, double x0, double x1);

// The curve's value at X: the last point at or before it (the value held until the next
// reading); nullopt before the first point.
std::optional<Sample> SampleAt(const SampleBuffer::Snapshot& samples, double x);

// The points that draw the span [x0, x1] on a plot `columns` pixels wide, with the
// neighbour on each side so the curve runs to the edges. A span of more than four points
// per column keeps, per column, its lowest and its highest point in time order: the
// drawn curve covers the same pixels as the full one, at a cost bound by the width
// rather than by the length of the run.
void PointsToDraw(const SampleBuffer::Snapshot& samples, double x0, double x1, std::size_t columns,
                  std::vector<Sample>& out);

} // namespace graph
