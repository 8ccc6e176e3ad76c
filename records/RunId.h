#pragma once

#include <string>

namespace records {

// A random (version 4) UUID, "3f0c2a4e-9b1d-4c6e-8a2f-5d7e1b0c9a34".
std::string NewRunId();

} // namespace records
