#pragma once

#include "report/StatusSink.h"

namespace pod {
class PodSession;
}

namespace report {

// The session's EnsurePodSession, with its failure on the status line: 117 "Device is
// not connected to the PC." when no POD is attached, 118 "Failed to open USB port" when it
// cannot be opened. True when the session is open.
bool EnsurePodSession(pod::PodSession& session, StatusSink& status);

} // namespace report
