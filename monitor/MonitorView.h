#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/ValueText.h"

namespace monitor {

// What the monitoring worker tells its front end. Called on the worker's thread: an
// implementation posts to its own thread and returns; it must never wait on the UI
// thread, and never call MonitorWorker::StopAndJoin from here (the worker would wait for
// itself).
class MonitorView {
public:
    virtual ~MonitorView() = default;
    // Value texts of these rows (indices at the time of the store) changed; read them
    // from the WatchList.
    virtual void ValuesChanged(WatchListId list, const std::vector<int>& rows) = 0;
    // A cycle read every visible row; `nowMs` is the clock's time at its start.
    virtual void CycleCompleted(std::uint32_t /*nowMs*/) {}
    // The POD was lost and could not be reopened, or failed again right after the reopen
    // when the worker is told to stop then: monitoring has stopped by itself. `reason`
    // says what failed, in the user's words.
    virtual void StoppedByFailure(const std::string& reason) = 0;
};

} // namespace monitor
