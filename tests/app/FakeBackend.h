#pragma once

#include "app/ProgrammerBackend.h"
#include "ops/ProgrammerView.h"

#include <array>
#include <string>
#include <vector>

// Stands in for the core in window tests: a part list shaped like the real catalogue's
// (names and region-present flags), and a log of what the window asked for.
class FakeBackend : public app::ProgrammerBackend {
public:
    explicit FakeBackend(ops::ProgrammerView& view) : m_view(view) {}

    int PartCount() const override { return 28; }
    std::string PartName(int type) const override
    {
        static const char* const names[28] = {
            "DSP56F801", "DSP56F802", "DSP56F803", "DSP56F805", "DSP56F807", "DSP56F826",
            "DSP56F827", "MC56F8002", "MC56F8006", "MC56F8011", "MC56F8013", "MC56F8014",
            "MC56F8023", "MC56F8025", "MC56F8036", "MC56F8037", "MC56F8322", "MC56F8323",
            "MC56F8335", "MC56F8345", "MC56F8346", "MC56F8347", "MC56F8355", "MC56F8356",
            "MC56F8357", "MC56F8365", "MC56F8366", "MC56F8367"};
        return type >= 0 && type < 28 ? names[type] : std::string();
    }
    std::array<bool, 4> RegionsPresent(int type) const override
    {
        if (type < 0 || type >= 28) return {};
        if (type == 4 || type >= 22) return {true, true, true, true};
        if (type == 6) return {true, false, true, true};
        if (type >= 7 && type <= 15) return {false, false, true, false};
        return {true, true, true, false};
    }

    bool LoadSFile(const image::RunChoices& dialog) override
    {
        calls.push_back("load");
        loads.push_back(dialog);
        if (!loadStatus.empty()) m_view.ShowStatus(loadStatus, loadFails);
        return !loadFails;
    }
    bool EnsurePodSession() override
    {
        calls.push_back("ensure");
        if (!podPresent) m_view.ReportStatus(117, true);
        return podPresent;
    }
    bool Start(ops::OperationMode mode, const image::RunChoices& dialog) override
    {
        calls.push_back("start");
        starts.push_back({mode, dialog});
        return acceptStart;
    }
    bool StartFirmwareUpdate() override
    {
        calls.push_back("firmware");
        return acceptStart;
    }
    bool QueryVersion() override
    {
        calls.push_back("version");
        m_view.SetStatusText("POD Version V1.2");
        m_view.SetControlsEnabled(true); // the work's end, at once
        return true;
    }
    bool ResetTarget(int resetPolarityIndex, int resetDelayIndex) override
    {
        calls.push_back("reset");
        resets.push_back({resetPolarityIndex, resetDelayIndex});
        m_view.SetControlsEnabled(true);
        return true;
    }

    struct StartCall {
        ops::OperationMode mode;
        image::RunChoices dialog;
    };

    bool podPresent = true;
    bool acceptStart = true;
    bool loadFails = true;
    std::string loadStatus = "Please, specify S file path";
    std::vector<std::string> calls;
    std::vector<image::RunChoices> loads;
    std::vector<StartCall> starts;
    std::vector<std::pair<int, int>> resets;

private:
    ops::ProgrammerView& m_view;
};
