#pragma once

#include <ostream>

namespace cli {

// Parses the command line, applies the shared options and runs the chosen subcommand.
// Returns the process exit status: 0 success, 1 the command failed, 2 usage error.
// QUOBIN_RESOURCES stands in for --resources when the option is absent.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace cli
