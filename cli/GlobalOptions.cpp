#include "cli/GlobalOptions.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddGlobalOptions(CLI::App& app, GlobalOptions& o)
{
    // Scripts get the emulator's replies at once; the window's real-time wire is for eyes.
    o.link.defaultWire = sim::WireMode::kInstant;
    podlink::AddLinkOptions(app, o.link);
    app.add_flag("--json", o.json, "Print machine-readable JSON")->group("Output");
}

CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description)
{
    CLI::App* sub = app.add_subcommand(name, description);
    sub->fallthrough();
    return sub;
}

} // namespace cli
