#pragma once

#include "AppOptions.h"

#include "podlink/PodLink.h"

namespace pod {
class PodClock;
}

namespace app {

// The USB back end the window's options ask for, with the command line's meanings; the
// emulated POD runs on a real-time wire unless --sim-wire says otherwise, so that the
// progress bar moves as it does on hardware.
using DriverSetup = podlink::PodLink;

DriverSetup MakeUsbDriver(const AppOptions& options, pod::PodClock& clock);

} // namespace app
