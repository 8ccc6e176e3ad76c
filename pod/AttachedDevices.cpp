#include "pod/AttachedDevices.h"

#include "pod/PodSession.h"

#include <cstring>

namespace pod {

std::vector<AttachedDevice> ListAttachedDevices(UsbDriver& driver)
{
    std::vector<AttachedDevice> devices;
    const bool wasLoaded = driver.IsLoaded();
    if (!wasLoaded && !driver.Load()) return devices;
    std::uint32_t count = 0;
    if (driver.ListDeviceCount(&count) == kFtOk) {
        for (std::uint32_t i = 0; i < count; ++i) {
            char description[kDescriptionSize] = {};
            char serial[kDescriptionSize] = {};
            AttachedDevice device;
            device.index = i;
            if (driver.ListDeviceDescription(i, description) == kFtOk)
                device.description.assign(description, strnlen(description, sizeof description));
            if (driver.ListDeviceSerial(i, serial) == kFtOk)
                device.serial.assign(serial, strnlen(serial, sizeof serial));
            device.isPod = device.description == kPodDescription;
            devices.push_back(device);
        }
    }
    if (!wasLoaded) driver.Unload();
    return devices;
}

std::vector<std::string> PodSerials(const std::vector<AttachedDevice>& devices)
{
    std::vector<std::string> serials;
    for (const AttachedDevice& device : devices)
        if (device.isPod) serials.push_back(device.serial);
    return serials;
}

std::string SerialList(const std::vector<std::string>& serials)
{
    if (serials.empty()) return "none";
    std::string text;
    for (const std::string& serial : serials)
        text += (text.empty() ? "" : ", ") + serial;
    return text;
}

} // namespace pod
