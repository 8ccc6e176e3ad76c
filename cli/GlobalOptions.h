#pragma once

#include "podlink/LinkOptions.h"

#include <string>

namespace CLI {
class App;
}

namespace cli {

// Options that every subcommand shares, accepted before and after the subcommand name:
// the link options all programs share, and --json.
struct GlobalOptions {
    podlink::LinkOptions link;
    bool json = false; // --json: machine-readable output
};

// Adds the shared options to the application. Subcommands created with AddSubcommand()
// pass options they do not know up to the application, so the shared options may stand
// after the subcommand too.
void AddGlobalOptions(CLI::App& app, GlobalOptions& options);

// Creates a subcommand that lets the shared options through.
CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description);

} // namespace cli
