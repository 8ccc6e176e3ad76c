#pragma once

#include "app/MonitorControlLink.h"
#include "app/ProgrammerBackend.h"

#include "ops/MonitorControl.h"
#include "ops/Programmer.h"
#include "pod/PodSession.h"

namespace pod {
class PodClock;
class UsbDriver;
} // namespace pod

namespace app {

// The programmer window's core: the one POD session, the part selection, the flash
// images and the operation runner, on a USB driver the caller owns (and keeps alive
// longer than this object).
class CoreBackend final : public ProgrammerBackend {
public:
    CoreBackend(pod::UsbDriver& driver, pod::PodClock& clock, ops::ProgrammerView& view);
    // Joins a running worker before the session and images go away.
    ~CoreBackend() override;

    int PartCount() const override;
    std::string PartName(int type) const override;
    std::array<bool, 4> RegionsPresent(int type) const override;

    bool LoadSFile(const image::RunChoices& choices) override;
    bool EnsurePodSession() override;

    bool Start(ops::OperationMode mode, const image::RunChoices& choices) override;
    bool StartFirmwareUpdate() override;
    bool QueryVersion() override;
    bool ResetTarget(int resetPolarityIndex, int resetDelayIndex) override;
    pod::PodSession* MonitorSession() override { return &m_session; }
    void SetMonitorControl(ops::MonitorControl* control) override { m_monitor.Attach(control); }
    bool IsBusy() const override;
    void RequestStop() override;
    std::optional<std::vector<std::string>> AttachedPods() override;
    bool ChoosePod(const std::string& serial) override;

    ops::OperationRunner& runner() { return m_core.runner; }
    pod::PodSession& session() { return m_session; }

private:
    ops::ProgrammerView& m_view;
    pod::PodSession m_session;
    MonitorControlLink m_monitor; // the monitoring window, once it exists
    ops::Programmer m_core;       // last, so that its worker ends first
};

} // namespace app
