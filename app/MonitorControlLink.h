#pragma once

#include "ops/MonitorControl.h"

#include <atomic>

namespace app {

// The operation runner's way to the monitoring window, which is made after the runner:
// forwards to the window once attached, and does nothing before (there is no monitoring
// to stop then).
class MonitorControlLink final : public ops::MonitorControl {
public:
    void Attach(ops::MonitorControl* target) { m_target.store(target); }

    void StopMonitoring() override
    {
        if (ops::MonitorControl* target = m_target.load()) target->StopMonitoring();
    }
    void EnableMonitorControls(bool enabled) override
    {
        if (ops::MonitorControl* target = m_target.load()) target->EnableMonitorControls(enabled);
    }

private:
    std::atomic<ops::MonitorControl*> m_target{nullptr};
};

} // namespace app
