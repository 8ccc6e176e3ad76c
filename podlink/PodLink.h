#pragma once

#include "pod/UsbDriver.h"
#include "podlink/LinkOptions.h"

#include <fstream>
#include <memory>
#include <string>

namespace pod {
class PodClock;
class TracingUsbDriver;
} // namespace pod
namespace sim {
class SimUsbDriver;
}

namespace podlink {

// The USB back end the options ask for, with the tracer around it when asked.
struct PodLink {
    std::unique_ptr<std::ofstream> traceFile; // outlives the tracer that writes it
    std::unique_ptr<pod::UsbDriver> driver;   // null when error is set
    sim::SimUsbDriver* simulated = nullptr;   // the emulator's driver, when it is one
    pod::TracingUsbDriver* tracer = nullptr;  // with --trace: for the program's notes
    std::string kind;                         // "ftdi", "d2xx" or "sim"
    std::string error;                        // a line for the user
    // The error is no usage error: the emulator's state directory cannot be used (exit 1).
    bool failed = false;
};

// Turns the options into the link every front end uses. Contradictions (--simulate with
// a real back end, --sim-* without the emulator), bad emulator values, an unknown back
// end and an unwritable trace file give no driver and the reason in error; so does an
// emulator state directory that cannot be used (with `failed` set).
PodLink MakePodLink(const LinkOptions& options, pod::PodClock& clock);

// A connection of its own for one POD of a run on several at once: a new instance of
// the back end `shared` uses (for the emulator, another driver on the same bus), so that
// no lock or driver state is shared with the other PODs' workers; traced to
// TracePathFor(options.tracePath, serial) when a trace is asked for.
PodLink MakeUnitLink(const LinkOptions& options, const PodLink& shared, const std::string& serial,
                     pod::PodClock& clock);

// The trace file of one POD among several: the serial number before the extension
// ("run.trace" for QBSIM002: "run-QBSIM002.trace").
std::string TracePathFor(const std::string& path, const std::string& serial);

} // namespace podlink
