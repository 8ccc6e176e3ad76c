#pragma once

#include "AppOptions.h"

#include <fstream>
#include <memory>
#include <string>

namespace pod {
class PodClock;
class UsbDriver;
} // namespace pod
namespace sim {
class SimUsbDriver;
}

namespace app {

// The USB back end the options ask for: the emulator, libftdi1 or the vendor's D2XX
// library, by default the platform's choice (QUOBIN_DRIVER, else D2XX when it loads, else
// libftdi1); with --trace wrapped in a tracer that logs every call. The emulated POD runs
// on a real-time wire unless --sim-wire says otherwise, so that the progress bar moves as
// it does on hardware.
struct DriverSetup {
    std::unique_ptr<std::ofstream> traceFile; // outlives the tracer that writes it
    std::unique_ptr<pod::UsbDriver> driver;   // null when error is set
    sim::SimUsbDriver* simulated = nullptr;   // the same driver, when it is the emulator
    std::string error;                        // a line for the user
};

DriverSetup MakeUsbDriver(const AppOptions& options, pod::PodClock& clock);

} // namespace app
