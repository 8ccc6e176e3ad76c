#include "podlink/LinkOptions.h"

#include "quobin/Version.h"

#include "image/ResourceStore.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

namespace podlink {

namespace {

// A repeatable option: one value per occurrence, so that a following word is never
// swallowed as a second value (it may be the subcommand's file).
void Repeatable(CLI::Option* option)
{
    option->expected(1)->allow_extra_args(false)->multi_option_policy(
        CLI::MultiOptionPolicy::TakeAll);
}

} // namespace

std::vector<std::pair<std::string, std::string>> SimArgs::Given() const
{
    std::vector<std::pair<std::string, std::string>> given;
    if (!mcu.empty()) given.emplace_back("mcu", mcu);
    if (secured) given.emplace_back("secured", "");
    if (noTarget) given.emplace_back("no-target", "");
    if (boot) given.emplace_back("boot", "");
    if (!version.empty()) given.emplace_back("version", version);
    for (const std::string& fault : faults)
        given.emplace_back("fault", fault);
    if (!wire.empty()) given.emplace_back("wire", wire);
    if (!state.empty()) given.emplace_back("state", state);
    for (const std::string& device : devices)
        given.emplace_back("device", device);
    if (!pods.empty()) given.emplace_back("pods", pods);
    return given;
}

void AddLinkOptions(CLI::App& app, LinkOptions& o)
{
    const std::string group = "Link options";
#ifdef _WIN32
    // libftdi1 is a Linux back end: a Windows user is offered what this build has.
    const char* driverHelp = "USB back end: d2xx or sim (default: $QUOBIN_DRIVER, else D2XX)";
#else
    const char* driverHelp = "USB back end: ftdi, d2xx or sim (default: $QUOBIN_DRIVER, else D2XX "
                             "when its library loads, else libftdi1)";
#endif
    app.add_option("--driver", o.driver, driverHelp)->group(group);
    app.add_flag("--simulate", o.simulate,
                 "Use the emulated POD instead of a real one (also QUOBIN_SIMULATE=1)")
        ->group(group);
    app.add_option("--sim-mcu", o.sim.mcu, "Part fitted to the emulated target (name or index)")
        ->group(group);
    app.add_flag("--sim-secured", o.sim.secured, "The emulated target is secured")->group(group);
    app.add_flag("--sim-no-target", o.sim.noTarget, "No target on the emulated POD")->group(group);
    app.add_flag("--sim-boot", o.sim.boot, "The emulated POD starts in its boot loader")
        ->group(group);
    app.add_option("--sim-version", o.sim.version,
                   "Firmware version of the emulated POD before any update (X.Y, default 1.1)")
        ->group(group);
    Repeatable(app.add_option("--sim-fault", o.sim.faults,
                              "Fault for the emulated POD to inject, [SN/]WHAT:N:KIND "
                              "(repeatable); WHAT sync, erase or write fires only in the boot "
                              "loader (--sim-boot)")
                   ->group(group));
    app.add_option("--sim-wire", o.sim.wire, "Wire timing of the emulated POD: instant or real")
        ->group(group);
    app.add_option("--sim-state", o.sim.state, "Directory that keeps the emulated POD's state")
        ->group(group);
    Repeatable(app.add_option("--sim-device", o.sim.devices,
                              "Further FTDI device on the emulated bus, by description "
                              "(repeatable)")
                   ->group(group));
    app.add_option("--sim-pods", o.sim.pods,
                   "Number of emulated PODs on the bus, serial numbers QBSIM001 ... (default 1)")
        ->group(group);
    Repeatable(app.add_option("--serial", o.serials,
                              "Use the POD with this serial number (also $QUOBIN_SERIAL); "
                              "`devices` lists them")
                   ->group(group));
    app.add_option("--resources", o.resources,
                   "Directory with loaders/*.bin and firmware/pod-firmware.bin replacing the "
                   "built-in images (default: $QUOBIN_RESOURCES)")
        ->group(group);
    app.add_option("--trace", o.tracePath,
                   "Write a trace of the POD exchange to FILE; send it with a support request")
        ->group(group);
}

std::vector<std::string> TraceHeader(const std::string& program, int argc, const char* const* argv)
{
    std::string line = "command line:";
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        line += quote ? " \"" + argument + "\"" : " " + argument;
    }
    return {program + " " + quobin::kVersionText, line};
}

bool SimulateFromEnvironment()
{
    const char* value = std::getenv("QUOBIN_SIMULATE");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

void ApplyEnvironment(LinkOptions& options)
{
    options.simulate = options.simulate || SimulateFromEnvironment();
    if (options.resources.empty()) {
        if (const char* dir = std::getenv("QUOBIN_RESOURCES")) options.resources = dir;
    }
    if (options.serials.empty()) {
        if (const char* serial = std::getenv("QUOBIN_SERIAL"); serial != nullptr && *serial != '\0')
            options.serials.emplace_back(serial);
    }
}

std::string MakeSimOptions(const LinkOptions& options, sim::SimOptions& out)
{
    sim::SimOptions made;
    made.wire = options.defaultWire;
    for (const auto& [name, value] : options.sim.Given()) {
        std::string error = sim::ApplySimOption(made, "sim-" + name, value);
        if (!error.empty()) return error;
    }
    if (std::string error = sim::CheckSimOptions(made); !error.empty()) return error;
    out = std::move(made);
    return {};
}

std::string ParseLinkOptions(const std::string& text, LinkOptions& options)
{
    CLI::App app;
    app.allow_windows_style_options(false); // "/x" is a path on every system
    AddLinkOptions(app, options);
    try {
        app.parse(text, false);
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return {};
}

std::vector<std::string> ApplyResources(const std::string& dir)
{
    std::vector<std::string> warnings;
    if (dir.empty()) return warnings;
    const image::ResourceReport report = image::SetResourceDirectory(dir);
    if (!report.directoryFound)
        warnings.push_back("warning: resource directory " + dir +
                           " not found; using the built-in images");
    for (const image::ResourceFileStatus& file : report.files) {
        if (file.state != image::ResourceFileStatus::State::Used)
            warnings.push_back("warning: " + image::DescribeResourceStatus(file));
    }
    return warnings;
}

} // namespace podlink
