#pragma once

#include "pod/UsbDriver.h"

#include <memory>
#include <string>

namespace pod {

// The back end named kind: "d2xx" (the vendor's library), "ftdi" (libftdi1), or "" for
// the default: D2XX when its library loads, else libftdi1. Other kinds, including the
// emulator's "sim" which the front ends compose themselves, give nullptr.
std::unique_ptr<UsbDriver> CreateUsbDriver(const std::string& kind);

// The kind a front end uses when the user named none: QUOBIN_DRIVER when set and not
// empty (returned as given, so front ends also see "sim"), else "d2xx" when the vendor's
// library loads, else "ftdi".
std::string DefaultDriverKind();

} // namespace pod
