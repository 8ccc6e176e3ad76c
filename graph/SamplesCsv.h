#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "graph/SampleBuffer.h"

namespace graph {

// The acquired points as CSV: the header "time_ms,<name>,..." and one line per tick,
// time in whole milliseconds since START. A channel that has no point at a tick (a read
// failed before it) leaves its field empty. Names holding a comma, a quote or a line
// break are quoted.
void WriteSamplesCsv(std::ostream& out, const std::vector<std::string>& names,
                     const std::vector<SampleBuffer::Snapshot>& channels);

} // namespace graph
