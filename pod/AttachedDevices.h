#pragma once

#include "pod/UsbDriver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pod {

// One FTDI device as the driver lists it.
struct AttachedDevice {
    std::uint32_t index = 0;
    std::string description;
    std::string serial; // empty when the back end does not tell serial numbers
    bool isPod = false; // described exactly kPodDescription
};

// Every FTDI device the driver lists, in its order. The driver is loaded for the listing
// and left loaded or not as it was found; a driver that cannot be loaded lists nothing.
std::vector<AttachedDevice> ListAttachedDevices(UsbDriver& driver);

// The serial numbers of the PODs among the devices, in the listing's order.
std::vector<std::string> PodSerials(const std::vector<AttachedDevice>& devices);

// "A, B, C", or "none" for no serial at all; for messages that name the PODs found.
std::string SerialList(const std::vector<std::string>& serials);

} // namespace pod
