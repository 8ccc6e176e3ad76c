#include "podlink/PodLink.h"

#include "platform/Utf8Path.h"

#include "pod/D2xxUsbDriver.h"
#include "pod/FtdiUsbDriver.h"
#include "pod/TracingUsbDriver.h"
#include "sim/SimUsbDriver.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
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
    for (const sim::SimFault& fault : simOptions.faults) {
        bool known = fault.serial.empty();
        for (int i = 0; i < simOptions.pods && !known; ++i)
            known = fault.serial == sim::SimUsbDriver::SerialFor(static_cast<std::size_t>(i));
        if (!known) {
            link.error = "--sim-fault: no emulated POD has the serial number " + fault.serial +
                         " (they are QBSIM001 to " +
                         sim::SimUsbDriver::SerialFor(static_cast<std::size_t>(simOptions.pods - 1)) +
                         ")";
            return;
        }
    }
    auto driver = sim::CreateSimDriver(simOptions, clock);
    for (std::size_t i = 0; i < driver->PodCount(); ++i) {
        if (std::string stateError = driver->Pod(i).LoadError(); !stateError.empty()) {
            link.error = "cannot use the emulator's state: " + stateError +
                         " (nothing in the state directory was changed)";
            link.failed = true;
            return;
        }
    }
    link.simulated = driver.get();
    link.driver = std::move(driver);
}

} // namespace

namespace {

// Puts the tracer around link.driver, writing to path; on failure no driver and the reason.
void AddTracer(PodLink& link, const LinkOptions& options, const std::string& path,
               pod::PodClock& clock)
{
    // Binary: the same bytes ("\n" line ends) on every system.
    link.traceFile = std::make_unique<std::ofstream>(platform::PathFromUtf8(path), std::ios::binary);
    if (!*link.traceFile) {
        link.error = "cannot write the trace file " + path + ": " +
                     std::generic_category().message(errno);
        link.driver.reset();
        link.simulated = nullptr;
        return;
    }
    auto tracer =
        std::make_unique<pod::TracingUsbDriver>(std::move(link.driver), clock, *link.traceFile);
    for (const std::string& line : options.traceHeader)
        tracer->Header(line);
    tracer->Header("back end: " +
                   (link.kind == "sim" ? std::string("sim (the emulated POD)") : link.kind));
    link.tracer = tracer.get();
    link.driver = std::move(tracer);
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
    link.kind = kind;
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
    AddTracer(link, options, options.tracePath, clock);
    return link;
}

PodLink MakeUnitLink(const LinkOptions& options, const PodLink& shared, const std::string& serial,
                     pod::PodClock& clock)
{
    PodLink link;
    link.kind = shared.kind;
    if (shared.simulated != nullptr) {
        auto driver = shared.simulated->Connect();
        link.simulated = driver.get();
        link.driver = std::move(driver);
    } else if (shared.kind == "d2xx") {
        link.driver = std::make_unique<pod::D2xxUsbDriver>();
    } else {
        link.driver = std::make_unique<pod::FtdiUsbDriver>();
    }
    if (!options.tracePath.empty()) {
        AddTracer(link, options, TracePathFor(options.tracePath, serial), clock);
        if (link.tracer != nullptr) link.tracer->Header("POD: " + serial);
    }
    return link;
}

std::string TracePathFor(const std::string& path, const std::string& serial)
{
    const std::filesystem::path whole(path);
    const std::string stem = whole.stem().string();
    return (whole.parent_path() / (stem + "-" + serial + whole.extension().string())).string();
}

} // namespace podlink
