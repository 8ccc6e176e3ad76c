#pragma once

#include "ops/ProgrammerView.h"
#include "ops/ProgressPosition.h"

#include <functional>
#include <mutex>
#include <string>

namespace cli {

// What one POD's worker reports during a run on several PODs: kept for the progress
// line the main thread draws, never printed from the worker.
class PodUnitView final : public ops::ProgrammerView {
public:
    // finished is called on the worker as the run ends.
    explicit PodUnitView(std::function<void()> finished) : m_finished(std::move(finished)) {}

    struct Snapshot {
        std::string status;
        int position = 0;
        int upper = 0;
    };
    Snapshot Now() const;

    void ShowStatus(const std::string& text, bool error) override;
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>&) override {}
    void RunFinished(const ops::RunRecord& record) override;

private:
    const std::function<void()> m_finished;
    mutable std::mutex m_mutex;
    Snapshot m_now;
    ops::ProgressPosition m_progress;
};

} // namespace cli
