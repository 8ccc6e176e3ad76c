#pragma once

#include "sim/SimOptions.h"

#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace podlink {

// The --sim-* options exactly as given; the emulator judges the values (MakeSimOptions).
struct SimArgs {
    std::string mcu;                  // --sim-mcu NAME|INDEX
    bool secured = false;             // --sim-secured
    bool noTarget = false;            // --sim-no-target
    bool boot = false;                // --sim-boot
    std::string version;              // --sim-version X.Y
    std::vector<std::string> faults;  // --sim-fault WHAT:N:KIND, repeatable
    std::string wire;                 // --sim-wire instant|real
    std::string state;                // --sim-state DIR
    std::vector<std::string> devices; // --sim-device DESC, repeatable
    std::string pods;                 // --sim-pods N

    // Each option given, by its name without "--sim-" ("mcu", "fault", ...), in a fixed
    // order; flags carry an empty value.
    std::vector<std::pair<std::string, std::string>> Given() const;
};

// How a front end wants to reach the POD. The window, the command line and the
// emulator's D2XX library read these options with the same code (AddLinkOptions), so
// they mean the same everywhere.
struct LinkOptions {
    bool simulate = false; // --simulate, or QUOBIN_SIMULATE=1
    // --driver ftdi|d2xx|sim; empty: QUOBIN_DRIVER, else D2XX if it loads, else libftdi1.
    std::string driver;
    SimArgs sim;
    // The emulator's wire unless --sim-wire says otherwise: real time for the window, so
    // the progress bar moves as on hardware; instant for scripts.
    sim::WireMode defaultWire = sim::WireMode::kReal;
    std::string resources; // --resources DIR, or QUOBIN_RESOURCES
    std::string tracePath; // --trace FILE: every USB call logged there
    // --serial SN (repeatable), or QUOBIN_SERIAL: the PODs to use, by serial number.
    // Empty: the POD found by its description.
    std::vector<std::string> serials;
    // The trace's first lines, from the program: its name and version, its command line.
    std::vector<std::string> traceHeader;
};

// The header lines a program puts at the top of its trace: "<program> V1.3" and
// "command line: <argument> ...", arguments with blanks in quotes.
std::vector<std::string> TraceHeader(const std::string& program, int argc, const char* const* argv);

// Adds --driver, --simulate, --sim-*, --resources, --trace and --serial to app, in their own group
// of the help text. The values land in options as given; MakePodLink checks them, so
// that a bad value is reported the same way whichever front end read it.
void AddLinkOptions(CLI::App& app, LinkOptions& options);

// Fills what the options leave open from the environment: QUOBIN_SIMULATE=1 (any value
// but "0" and empty) turns the emulator on, QUOBIN_RESOURCES stands in for --resources,
// QUOBIN_SERIAL for --serial.
void ApplyEnvironment(LinkOptions& options);

// QUOBIN_SIMULATE=1 (or any value but "0" and empty) asks for the emulator.
bool SimulateFromEnvironment();

// The emulator's start-up settings the --sim-* options ask for, on options.defaultWire
// unless --sim-wire is given. Returns an empty text, else a line for the user that names
// the option.
std::string MakeSimOptions(const LinkOptions& options, sim::SimOptions& out);

// Reads link options from one line of text ("--sim-mcu 27 --sim-fault 0x01:1:silent"),
// as the programs read their command lines. Returns an empty text, else why not.
std::string ParseLinkOptions(const std::string& text, LinkOptions& options);

// Replaces the built-in flash routines and firmware from dir (when not empty). Returns a
// warning line for a missing folder and for each file that was not taken.
std::vector<std::string> ApplyResources(const std::string& dir);

} // namespace podlink
