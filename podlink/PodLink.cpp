#include "podlink/PodLink.h"

#include "platform/Utf8Path.h"

#include "pod/D2xxUsbDriver.h"
#include "pod/FtdiUsbDriver.h"
#include "pod/TracingUsbDriver.h"
#include "sim/SimUsbDriver.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace podlink {

namespace {

// The back end a user who names none gets: QUOBIN_DRIVER as given (so "sim" works there
// too), else the vendor's D2XX library where it is installed, since that is what the POD's
// driver package brings on Windows, else libftdi1 where the build has it.
std::string DefaultDriverKind()
{
    if (const char* fromEnvironment = std::getenv("QUOBIN_DRIVER");
        fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    pod::D2xxUsbDriver d2xx;
    return d2xx.Load() || !pod::FtdiUsbDriver::Available() ? "d2xx" : "ftdi";
}

void MakeEmulator(const LinkOptions& options, pod::PodClock& clock, PodLink& link)
{
    sim::SimOptions simOptions;
    link.error = MakeSimOptions(options, simOptions);
    if (!link.error.empty()) return;
    auto driver = sim::CreateSimDriver(simOptions, clock);
    if (std::string stateError = driver->Pod().LoadError(); !stateError.empty()) {
        link.error = "cannot use the emulator's state: " + stateError +
                     " (nothing in the state directory was changed)";
        link.failed = true;
        return;
    }
    link.simulated = driver.get();
    link.driver = std::move(driver);
}

} // namespace

PodLink MakePodLink(const LinkOptions& options, pod::PodClock& clock)
{
    PodLink link;
    std::string kind = options.driver;
    if (options.simulate && !kind.empty() && kind != "sim") {
        link.error = "--simulate and --driver " + kind + " contradict each other";
        return link;
    }
    if (kind.empty() && !options.simulate) kind = DefaultDriverKind();
    if (options.simulate) kind = "sim";
    const auto simGiven = options.sim.Given();
    if (options.simulate || kind == "sim") {
        MakeEmulator(options, clock, link);
    } else if (!simGiven.empty()) {
        link.error = "--sim-" + simGiven.front().first + " needs the emulated POD (--simulate)";
        return link;
    } else if (kind == "d2xx") {
        link.driver = std::make_unique<pod::D2xxUsbDriver>();
    } else if (kind == "ftdi") {
        link.driver = std::make_unique<pod::FtdiUsbDriver>();
    } else {
        link.error = "unknown USB back end '" + kind + "' (use ftdi, d2xx or sim)";
    }
    if (!link.driver || options.tracePath.empty()) return link;

    // Binary: the same bytes ("\n" line ends) on every system.
    link.traceFile = std::make_unique<std::ofstream>(platform::PathFromUtf8(options.tracePath),
                                                     std::ios::binary);
    if (!*link.traceFile) {
        link.error = "cannot write the trace file " + options.tracePath + ": " +
                     std::generic_category().message(errno);
        link.driver.reset();
        link.simulated = nullptr;
        return link;
    }
    auto tracer =
        std::make_unique<pod::TracingUsbDriver>(std::move(link.driver), clock, *link.traceFile);
    for (const std::string& line : options.traceHeader)
        tracer->Header(line);
    tracer->Header("back end: " + (kind == "sim" ? std::string("sim (the emulated POD)") : kind));
    link.tracer = tracer.get();
    link.driver = std::move(tracer);
    return link;
}

} // namespace podlink
