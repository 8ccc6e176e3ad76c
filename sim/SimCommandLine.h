#pragma once

#include <string>
#include <vector>

#include "sim/SimOptions.h"

namespace sim {

// The emulator's part of a command line, shared by the CLI and the window: takes
// "--simulate" and every "--sim-NAME VALUE" / "--sim-NAME=VALUE" (flags without a
// value) out of `args`, wherever they stand (before or after a subcommand), and leaves
// the rest in order. `simulate` is also set by the environment variable
// QUOBIN_SIMULATE=1, or implied by any --sim-* option. `options.wire` should hold the
// front end's default (real for the window, instant for the CLI) before the call.
// Returns an empty text, or the first error.
std::string TakeSimArguments(std::vector<std::string>& args, bool& simulate, SimOptions& options);

}  // namespace sim
