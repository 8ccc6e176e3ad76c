#pragma once

#include "ops/ProgrammerView.h"
#include "ops/ProgressPosition.h"

#include <functional>
#include <mutex>
#include <string>

namespace cli {

// What one POD's worker reports during a run on several PODs: kept for the progress
// line the main thread draws, never printed from the worker. The run's log line is
// appended by the worker itself when its run ends, so that it is in the file even when
// another POD still runs or hangs.
class PodUnitView final : public ops::ProgrammerView {
public:
    // finished is called on the worker once the run's log line is written.
    PodUnitView(std::string logFile, std::function<void()> finished)
        : m_logFile(std::move(logFile)), m_finished(std::move(finished))
    {
    }

    struct Snapshot {
        std::string status;
        int position = 0;
        int upper = 0;
        bool logFailed = false; // the log line could not be appended
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
    const std::string m_logFile;
    const std::function<void()> m_finished;
    mutable std::mutex m_mutex;
    Snapshot m_now;
    ops::ProgressPosition m_progress;
};

} // namespace cli
