#pragma once

#include <string>

namespace station {

// Appends `line` and a line end to the run log at `path` in a single write, so that the
// lines of PODs (or of stations sharing the file) that finish at the same moment never
// mix. False when the file cannot be written.
bool AppendRunLogLine(const std::string& path, const std::string& line);

} // namespace station
