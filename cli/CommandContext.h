#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/GlobalOptions.h"

namespace CLI {
class App;
}
namespace pod {
class PodClock;
}

namespace cli {

// Exit statuses of every subcommand.
enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// What a running subcommand has: the shared options and where to print.
struct CommandContext {
    const GlobalOptions& globals;
    std::ostream& out;
    std::ostream& err;
    pod::PodClock* clock = nullptr; // null: the steady clock
    bool outIsTerminal = false;     // `out` is a terminal: tables may redraw in place
    // Failures found while a subcommand's resources were released (the emulator's state
    // could not be saved): printed after it, and the command fails.
    std::vector<std::string> closingErrors;
    // Remarks from the same moment that do not fail the command (an emulator fault that
    // never fired).
    std::vector<std::string> closingNotes;
};

// A subcommand and the code that runs it once the whole command line was parsed.
struct Command {
    CLI::App* app = nullptr;
    std::function<int(CommandContext&)> run;
};

// The subcommands of quobin-cli; each lives in its own file and adds itself here.
using CommandList = std::vector<Command>;

// A usage error found after parsing (a bad option value): printed with the program name,
// exit status kExitUsage.
int UsageError(CommandContext& ctx, const std::string& text);

} // namespace cli
