#pragma once

#include "pod/UsbDriver.h"
#include "sim/SimOptions.h"

#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pod {
class PodClock;
}
namespace sim {
class SimUsbDriver;
}

namespace podlink {

// How a front end wants to reach the POD, as its options say. The window and the
// command line share these meanings.
struct LinkOptions {
    bool simulate = false; // --simulate, or QUOBIN_SIMULATE=1
    std::string driver; // --driver ftdi|d2xx|sim; empty: QUOBIN_DRIVER, else D2XX if it loads, else
                        // libftdi1
    // --sim-NAME options as given, NAME without the "sim-" prefix; flags have an empty value.
    std::vector<std::pair<std::string, std::string>> simOptions;
    // The emulator's wire unless --sim-wire says otherwise: real time for the window, so
    // the progress bar moves as on hardware; instant for scripts.
    sim::WireMode defaultWire = sim::WireMode::kReal;
    std::string tracePath; // --trace FILE: every USB call logged there
};

// The USB back end the options ask for, with the tracer around it when asked.
struct PodLink {
    std::unique_ptr<std::ofstream> traceFile; // outlives the tracer that writes it
    std::unique_ptr<pod::UsbDriver> driver;   // null when error is set
    sim::SimUsbDriver* simulated = nullptr;   // the emulator's driver, when it is one
    std::string error;                        // a line for the user
};

PodLink MakePodLink(const LinkOptions& options, pod::PodClock& clock);

// QUOBIN_SIMULATE=1 (or any value but "0" and empty) asks for the emulator.
bool SimulateFromEnvironment();

} // namespace podlink
