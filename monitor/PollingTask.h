#pragma once

#include <cstdint>
#include <string>

#include "pod/PodOutcome.h"

namespace monitor {

// The work that a PollingLoop repeats: the monitoring worker's read cycles and queued
// writes, the graph acquisition's ticks. Every call comes on the loop's thread.
class PollingTask {
public:
    virtual ~PollingTask() = default;
    // A cycle is due once this many milliseconds have passed since the previous one
    // began. Asked again whenever the loop is woken, so a change takes effect at once.
    virtual std::uint32_t CycleDueAfterMs() const = 0;
    // Serves one request that must not wait for the next cycle; false when none waits.
    virtual bool ServeRequest() { return false; }
    // One cycle on the open POD; `startMs` is the clock's time when it began.
    virtual pod::PodOutcome RunCycle(std::uint32_t startMs) = 0;
    // A cycle failed and the POD was closed and reopened, or could not be and
    // StoppedByFailure came first.
    virtual void CycleFailed() {}
    // The loop has stopped by itself; `reason` says why, in the user's words.
    virtual void StoppedByFailure(const std::string& reason) = 0;
};

} // namespace monitor
