#include "DriverSetup.h"

namespace app {

DriverSetup MakeUsbDriver(const AppOptions& options, pod::PodClock& clock)
{
    podlink::LinkOptions link;
    link.simulate = options.simulate;
    link.driver = options.driver.toStdString();
    link.defaultWire = sim::WireMode::kReal;
    link.tracePath = options.trace.toStdString();
    for (const auto& [name, value] : options.simOptions)
        link.simOptions.emplace_back(name.toStdString(), value.toStdString());
    DriverSetup setup = podlink::MakePodLink(link, clock);
    if (!setup.error.empty()) setup.error = "quobin: " + setup.error;
    return setup;
}

} // namespace app
