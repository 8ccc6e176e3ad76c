#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/SimFault.h"

namespace sim {

enum class WireMode {
    kInstant, // replies are there at once; for tests and scripts
    kReal,    // bytes take their time at the configured baud, plus the latency timer
};

// How the emulated POD and its target start. The --sim-* options of the programs map
// onto these fields one to one (ApplySimOption).
struct SimOptions {
    int mcu = -1;          // McuType of the attached chip; -1: whatever the host connects to
    bool secured = false;  // the chip's flash starts secured
    bool noTarget = false; // no chip on the JTAG cable
    bool boot = false;     // the POD starts in its boot loader (115200 8-E-1)
    int versionMajor = 1;  // firmware version before any update
    int versionMinor = 1;
    std::vector<SimFault> faults;
    WireMode wire = WireMode::kInstant;
    std::string stateDir; // empty: nothing is kept between runs
    // Further FTDI devices on the bus, by description (they never answer).
    std::vector<std::string> extraDevices;
    // PODs on the bus, serial numbers QBSIM001 ..., each with a chip of its own.
    int pods = 1;
};

// Most emulated PODs one bus takes, as a powered hub of a test station would.
inline constexpr int kMaxSimPods = 16;

// Applies one option given by its name without the leading dashes ("sim-mcu",
// "sim-secured", "sim-no-target", "sim-boot", "sim-version", "sim-fault", "sim-wire",
// "sim-state", "sim-device", "sim-pods"); flags take an empty value. Returns an empty text on
// success, else a message that names the option and what is wrong.
std::string ApplySimOption(SimOptions& options, std::string_view name, std::string_view value);

// Applies a line of such options as a command line gives them, separated by blanks:
// "--sim-mcu 27 --sim-secured --sim-fault 0x01:1:silent" ("--name=value" too). Returns
// an empty text on success, else what is wrong with the first bad option.
std::string ApplySimOptionLine(SimOptions& options, std::string_view line);

// What the options ask that cannot come to pass, once all are applied: a fault on a boot
// loader step (sync, erase, write) for a POD that never is in its boot loader (without
// --sim-boot and without a state folder, whose POD may have been left there). Empty when
// nothing.
std::string CheckSimOptions(const SimOptions& options);

std::string ParseSimMcu(std::string_view text, int& type);
std::string ParseSimVersion(std::string_view text, int& major, int& minor);
std::string ParseSimWire(std::string_view text, WireMode& wire);

} // namespace sim
