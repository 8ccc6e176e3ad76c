#include "DriverSetup.h"

#include "pod/TracingUsbDriver.h"
#include "pod/UsbDriverFactory.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

namespace app {

namespace {

void MakeEmulator(const AppOptions& options, pod::PodClock& clock, DriverSetup& setup)
{
    sim::SimOptions simOptions;
    simOptions.wire = sim::WireMode::kReal;
    for (const auto& [name, value] : options.simOptions) {
        const std::string error =
            sim::ApplySimOption(simOptions, "sim-" + name.toStdString(), value.toStdString());
        if (!error.empty()) {
            setup.error = "quobin: " + error;
            return;
        }
    }
    auto driver = sim::CreateSimDriver(simOptions, clock);
    setup.simulated = driver.get();
    setup.driver = std::move(driver);
}

} // namespace

DriverSetup MakeUsbDriver(const AppOptions& options, pod::PodClock& clock)
{
    DriverSetup setup;
    std::string kind = options.driver.toStdString();
    if (kind.empty() && !options.simulate) kind = pod::DefaultDriverKind();
    if (options.simulate || kind == "sim") {
        MakeEmulator(options, clock, setup);
    } else {
        setup.driver = pod::CreateUsbDriver(kind);
        if (!setup.driver)
            setup.error = "quobin: unknown USB back end '" + kind + "' (use ftdi, d2xx or sim)";
    }
    if (!setup.driver || options.trace.isEmpty()) return setup;

    setup.traceFile = std::make_unique<std::ofstream>(options.trace.toStdString());
    if (!*setup.traceFile) {
        setup.error = "quobin: cannot write the trace file " + options.trace.toStdString();
        setup.driver.reset();
        setup.simulated = nullptr;
        return setup;
    }
    setup.driver =
        std::make_unique<pod::TracingUsbDriver>(std::move(setup.driver), clock, *setup.traceFile);
    return setup;
}

} // namespace app
