#pragma once

#include <cstdint>
#include <string>

namespace graph {

// What the acquisition worker tells its front end. Called on the worker's thread: an
// implementation posts to its own thread and returns, never waits on the UI thread and
// never joins the worker from here. The points themselves are not passed: they are in
// the worker's sample buffers, which the window reads at its own pace.
class AcquisitionView {
public:
    virtual ~AcquisitionView() = default;
    // A tick read every channel; `elapsedMs` is its time since START.
    virtual void Ticked(std::int64_t /*elapsedMs*/) {}
    // A read failed: the rest of that tick is lost and the POD was closed and reopened
    // (or could not be, and StoppedByFailure came first). The plots may repaint at once.
    virtual void TickFailed() {}
    // No POD could be opened: acquisition has stopped by itself, the points stay.
    // `reason` says what failed, in the user's words.
    virtual void StoppedByFailure(const std::string& reason) = 0;
};

} // namespace graph
