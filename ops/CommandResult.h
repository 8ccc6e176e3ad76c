#pragma once

#include "pod/PodOutcome.h"

#include <string>
#include <vector>

namespace ops {

// What one of the programmer's short commands (version, reset, S-file load, firmware
// update, opening the POD) came to, as values a front end shows, prints or raises
// without reading its view back.
struct CommandResult {
    bool ok = false;
    int messageId = 0;  // the status line's entry in the message table; 0 for a literal text
    std::string status; // the status line as the window shows it
    std::string reason; // why the failing command failed; empty on success or when unknown
    pod::PodOutcome outcome; // the failing command's outcome; Ok when no exchange failed
    explicit operator bool() const { return ok; }
};

// The status of a command refused because a worker holds the POD: the front ends
// prevent it, so it only reaches a script that calls in while a run is going.
inline constexpr const char* kPodBusyText = "Another operation is running on this POD";

// The version query: "POD Version V1.1" in status, and the numbers.
struct VersionResult : CommandResult {
    int major = 0;
    int minor = 0;
};

// An S-file load: the warnings that do not stop a run (a file that does not fit the part).
struct LoadResult : CommandResult {
    std::vector<std::string> warnings;
};

} // namespace ops
