#pragma once

#include <string>

namespace platform {

// This computer's name as the network knows it ("station-3"); empty when the system
// will not say.
std::string HostName();
// The name of the user logged in, from the environment (USER, LOGNAME; USERNAME on
// Windows); empty when none is set.
std::string LoginName();

} // namespace platform
