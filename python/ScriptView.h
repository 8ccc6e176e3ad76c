#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "ops/ProgrammerView.h"
#include "ops/ProgressPosition.h"

namespace script {

// The programmer's reports as a script sees them: the last status and the reason of a
// failure, kept for the result or the exception, and the progress handed to a callback.
// Called from the operation worker.
class ScriptView final : public ops::ProgrammerView {
public:
    // (position, upper) whenever the bar would move; set only while no run is going.
    using Progress = std::function<void(int position, int upper)>;
    void SetProgress(const Progress* progress) { m_progress = progress; }

    void ShowStatus(const std::string& text, bool error) override;
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>&) override {}
    void ShowFailureReason(const std::string& reason) override;

    std::string lastStatus() const;
    std::string lastReason() const;

private:
    void Report();

    mutable std::mutex m_mutex;
    std::string m_lastStatus;
    std::string m_lastReason;
    ops::ProgressPosition m_bar;
    const Progress* m_progress = nullptr;
};

} // namespace script
