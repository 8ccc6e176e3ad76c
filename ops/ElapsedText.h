#pragma once

#include <cstdint>
#include <string>

namespace ops {

// "<message> (12.34 sec)": whole seconds unpadded, hundredths as two digits,
// truncated rather than rounded (12345 ms reads 12.34).
std::string WithElapsed(const std::string& message, std::uint32_t elapsedMs);

} // namespace ops
