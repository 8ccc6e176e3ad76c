#pragma once

#include "pod/StatusSink.h"

#include <string>
#include <utility>
#include <vector>

namespace pod::test {

// A StatusSink that keeps every status line (text, error flag) and the last progress
// and control state.
class RecordingStatusSink final : public StatusSink {
public:
    std::vector<std::pair<std::string, bool>> lines;
    int progressUpper = 0;
    int progressStep = 0;
    int progressPos = 0;
    int steps = 0;
    std::vector<bool> controls;

    void ShowStatus(const std::string& text, bool error) override
    {
        lines.emplace_back(text, error);
    }
    void SetProgressRange(int upper) override { progressUpper = upper; }
    void SetProgressStep(int step) override { progressStep = step; }
    void StepProgress() override { ++steps; }
    void SetProgressPos(int position) override { progressPos = position; }
    void SetControlsEnabled(bool enabled) override { controls.push_back(enabled); }
};

} // namespace pod::test
