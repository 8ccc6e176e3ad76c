#pragma once

#include <string>
#include <vector>

namespace station {

// Which POD a single-POD front end talks to.
struct PodChoice {
    bool ok = false;
    std::string serial;             // empty: the POD by its description (the only one, or none)
    std::vector<std::string> found; // the PODs attached, by serial number
    bool pickedFirst = false;       // several attached and none named: the first listed
    std::string error;              // the one named is not attached
};

} // namespace station
