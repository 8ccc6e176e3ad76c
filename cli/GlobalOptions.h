#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace cli {

// Options that every subcommand shares, accepted before and after the subcommand name.
// Parsed here as plain values; each subcommand interprets the ones it needs.
struct GlobalOptions {
    std::string driver;                  // --driver: USB back end ("ftdi", "d2xx", "sim")
    bool simulate = false;               // --simulate: run against the emulated POD
    std::string simMcu;                  // --sim-mcu NAME|INDEX: part fitted to the emulated target
    bool simSecured = false;             // --sim-secured: emulated target is secured
    bool simNoTarget = false;            // --sim-no-target: emulated POD has no target attached
    bool simBoot = false;                // --sim-boot: emulated POD starts in its boot loader
    std::string simVersion;              // --sim-version: firmware version the emulated POD reports
    std::vector<std::string> simFaults;  // --sim-fault (repeatable): faults to inject
    std::string simWire;                 // --sim-wire: wire timing of the emulator
    std::string simState;                // --sim-state DIR: emulator state kept between runs
    std::vector<std::string> simDevices; // --sim-device DESC (repeatable): further FTDI devices
    std::string resources;               // --resources DIR (or QUOBIN_RESOURCES)
    std::string trace;                   // --trace FILE: frame trace
    bool json = false;                   // --json: machine-readable output
};

// Adds the shared options to the application in their own group. Subcommands created
// with AddSubcommand() pass options they do not know up to the application, so the
// shared options may stand after the subcommand too.
void AddGlobalOptions(CLI::App& app, GlobalOptions& options);

// Creates a subcommand that lets the shared options through.
CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description);

} // namespace cli
