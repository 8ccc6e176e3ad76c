#include "pod/UsbDriverFactory.h"

#include "pod/D2xxUsbDriver.h"
#include "pod/FtdiUsbDriver.h"

#include <cstdlib>

namespace pod {

std::unique_ptr<UsbDriver> CreateUsbDriver(const std::string& kind)
{
    if (kind == "d2xx") return std::make_unique<D2xxUsbDriver>();
    if (kind == "ftdi") return std::make_unique<FtdiUsbDriver>();
    if (kind.empty()) {
        auto d2xx = std::make_unique<D2xxUsbDriver>();
        if (d2xx->Load()) {
            d2xx->Unload(); // loading again is the session's presence test
            return d2xx;
        }
        return std::make_unique<FtdiUsbDriver>();
    }
    return nullptr;
}

std::string DefaultDriverKind()
{
    if (const char* fromEnvironment = std::getenv("QUOBIN_DRIVER");
        fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    D2xxUsbDriver d2xx;
    return d2xx.Load() ? "d2xx" : "ftdi";
}

} // namespace pod
