#include "cli/GlobalOptions.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddGlobalOptions(CLI::App& app, GlobalOptions& o)
{
    const std::string group = "Options for every command";
    app.add_option("--driver", o.driver, "USB back end: ftdi, d2xx or sim")->group(group);
    app.add_flag("--simulate", o.simulate, "Use the emulated POD instead of a real one")
        ->group(group);
    app.add_option("--sim-mcu", o.simMcu, "Part fitted to the emulated target (name or index)")
        ->group(group);
    app.add_flag("--sim-secured", o.simSecured, "The emulated target is secured")->group(group);
    app.add_flag("--sim-no-target", o.simNoTarget, "No target on the emulated POD")->group(group);
    app.add_flag("--sim-boot", o.simBoot, "The emulated POD starts in its boot loader")
        ->group(group);
    app.add_option("--sim-version", o.simVersion, "Firmware version of the emulated POD")
        ->group(group);
    app.add_option("--sim-fault", o.simFaults, "Fault for the emulated POD to inject (repeatable)")
        ->group(group)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--sim-wire", o.simWire, "Wire timing of the emulated POD")->group(group);
    app.add_option("--sim-state", o.simState, "File that keeps the emulated POD's state")
        ->group(group);
    app.add_option("--resources", o.resources,
                   "Directory with loaders/*.bin and firmware/pod-firmware.bin replacing the "
                   "built-in images "
                   "(default: $QUOBIN_RESOURCES)")
        ->group(group);
    app.add_option("--trace", o.trace, "Write a trace of the POD exchange to FILE")->group(group);
    app.add_flag("--json", o.json, "Print machine-readable JSON")->group(group);
}

CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description)
{
    CLI::App* sub = app.add_subcommand(name, description);
    sub->fallthrough();
    return sub;
}

} // namespace cli
