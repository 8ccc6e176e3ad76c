#pragma once

#include "pod/UsbDriver.h"

namespace pod {

// The D2XX library's name of a status value ("FT_OK", "FT_DEVICE_NOT_FOUND", ...), so that
// a failure can be looked up in FTDI's documentation; "unknown status" for a value the
// library does not define.
const char* FtStatusName(FtStatus status);

} // namespace pod
