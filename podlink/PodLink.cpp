#include "podlink/PodLink.h"

#include "pod/TracingUsbDriver.h"
#include "pod/UsbDriverFactory.h"
#include "sim/SimUsbDriver.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace podlink {

namespace {

void MakeEmulator(const LinkOptions& options, pod::PodClock& clock, PodLink& link)
{
    sim::SimOptions simOptions;
    simOptions.wire = options.defaultWire;
    for (const auto& [name, value] : options.simOptions) {
        const std::string error = sim::ApplySimOption(simOptions, "sim-" + name, value);
        if (!error.empty()) {
            link.error = error;
            return;
        }
    }
    auto driver = sim::CreateSimDriver(simOptions, clock);
    link.simulated = driver.get();
    link.driver = std::move(driver);
}

} // namespace

bool SimulateFromEnvironment()
{
    const char* value = std::getenv("QUOBIN_SIMULATE");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

PodLink MakePodLink(const LinkOptions& options, pod::PodClock& clock)
{
    PodLink link;
    std::string kind = options.driver;
    if (options.simulate && !kind.empty() && kind != "sim") {
        link.error = "--simulate and --driver " + kind + " contradict each other";
        return link;
    }
    if (kind.empty() && !options.simulate) kind = pod::DefaultDriverKind();
    if (options.simulate || kind == "sim") {
        MakeEmulator(options, clock, link);
    } else if (!options.simOptions.empty()) {
        link.error =
            "--sim-" + options.simOptions.front().first + " needs the emulated POD (--simulate)";
        return link;
    } else {
        link.driver = pod::CreateUsbDriver(kind);
        if (!link.driver)
            link.error = "unknown USB back end '" + kind + "' (use ftdi, d2xx or sim)";
    }
    if (!link.driver || options.tracePath.empty()) return link;

    link.traceFile = std::make_unique<std::ofstream>(options.tracePath);
    if (!*link.traceFile) {
        link.error = "cannot write the trace file " + options.tracePath + ": " +
                     std::generic_category().message(errno);
        link.driver.reset();
        link.simulated = nullptr;
        return link;
    }
    link.driver =
        std::make_unique<pod::TracingUsbDriver>(std::move(link.driver), clock, *link.traceFile);
    return link;
}

} // namespace podlink
