#pragma once

#include "app/MonitorControlLink.h"
#include "app/ProgrammerBackend.h"

#include "station/Station.h"

#include <memory>

namespace app {

// The programmer window's core: the station's unit for the one POD (its session, part
// selection, flash images and operation runner), on a station the caller owns and keeps
// alive longer than this object.
class CoreBackend final : public ProgrammerBackend {
public:
    CoreBackend(station::Station& station, ops::ProgrammerView& view);
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
    pod::PodSession* MonitorSession() override { return &m_unit->session(); }
    void SetMonitorControl(ops::MonitorControl* control) override { m_monitor.Attach(control); }
    bool IsBusy() const override;
    void RequestStop() override;
    std::optional<std::vector<std::string>> AttachedPods() override;
    bool ChoosePod(const std::string& serial) override;

    ops::OperationRunner& runner() { return m_unit->runner(); }
    pod::PodSession& session() { return m_unit->session(); }

private:
    MonitorControlLink m_monitor; // the monitoring window, once it exists
    std::unique_ptr<station::PodUnit> m_unit; // last, so that its worker ends first
};

} // namespace app
