#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "ops/ProgrammerView.h"
#include "ops/ProgressPosition.h"

namespace script {

// The programmer's reports as a script sees them: the progress bar's moves, queued by the
// operation worker for the script's own thread, which waits here for the next move or
// the end of the run.
class ScriptView final : public ops::ProgrammerView {
public:
    using Move = std::pair<int, int>; // (position, upper)

    // Before a run starts: no moves queued, the run not ended.
    void BeginRun();
    // Waits up to `wait` for a move or the run's end; takes the queued moves. True once
    // the run has ended.
    bool WaitForRun(std::chrono::milliseconds wait, std::vector<Move>& moves);

    void ShowStatus(const std::string&, bool) override {}
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>&) override {}
    void RunFinished(const ops::RunRecord& record) override;

private:
    // With m_mutex held.
    void Queue();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    ops::ProgressPosition m_bar;
    std::vector<Move> m_moves;
    bool m_ended = false;
};

} // namespace script
