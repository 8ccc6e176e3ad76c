#include "DriverSetup.h"

#include "pod/D2xxUsbDriver.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

namespace app {

DriverSetup MakeUsbDriver(const AppOptions& options, pod::PodClock& clock)
{
    DriverSetup setup;
    if (options.simulate) {
        sim::SimOptions simOptions;
        simOptions.wire = sim::WireMode::kReal;
        for (const auto& [name, value] : options.simOptions) {
            const std::string error = sim::ApplySimOption(simOptions, "sim-" + name.toStdString(),
                                                          value.toStdString());
            if (!error.empty()) {
                setup.error = "quobin: " + error;
                return setup;
            }
        }
        auto driver = sim::CreateSimDriver(simOptions, clock);
        setup.simulated = driver.get();
        setup.driver = std::move(driver);
        return setup;
    }
    if (options.driver == QLatin1String("ftdi")) {
        setup.error = "quobin: the libftdi back end is not part of this build; use --driver d2xx";
        return setup;
    }
    setup.driver = std::make_unique<pod::D2xxUsbDriver>();
    return setup;
}

}  // namespace app
