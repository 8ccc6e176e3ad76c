#pragma once

namespace ops {

// The live-monitoring side as the programming operations see it: a run stops
// monitoring before it touches the POD and freezes the monitoring controls while
// it works. No-ops until a monitoring window exists. Called from the operation worker;
// an implementation must never wait on the UI thread, which may itself be waiting for
// the worker to end.
class MonitorControl {
public:
    virtual ~MonitorControl() = default;
    // Asks the monitoring worker to stop and returns once it has ended, so that
    // no exchange of it can interleave with the run's.
    virtual void StopMonitoring() {}
    virtual void EnableMonitorControls(bool /*enabled*/) {}
};

} // namespace ops
