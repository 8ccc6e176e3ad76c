#pragma once

#include "elf/DebugInfo.h"

namespace sim {

// (Only the model of elf/DebugInfo.h is used: the emulator does not link the reader.)
// The C types of the demo program's variables (DemoVariables.h) as the current
// toolchain's ELF describes them, byte addresses and all. examples/demo.elf is written
// from it (quobin-sim-demo-elf).
elf::DebugInfo DemoDebugInfo();

} // namespace sim
