#pragma once

#include <cstdint>
#include <string>

namespace ops {

// "<message> (12.34 sec)": whole seconds unpadded, hundredths as two digits,
// truncated rather than rounded (12345 ms reads 12.34).
std::string WithElapsed(const std::string& message, std::uint32_t elapsedMs);
// "12.34 s", by the same rule: a table's or a log line's elapsed time.
std::string SecondsText(std::uint32_t elapsedMs);

} // namespace ops
