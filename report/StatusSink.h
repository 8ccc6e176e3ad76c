#pragma once

#include <string>

namespace report {

// What the core tells the user: the status line (a text and whether it is an error,
// shown red, or not, shown black), the progress bar, and the freeze and release of
// the controls that start POD work. The main window implements it by posting to the
// UI thread in order; the command line prints; tests record.
class StatusSink {
public:
    virtual ~StatusSink() = default;

    virtual void ShowStatus(const std::string& text, bool error) = 0;

    // Progress bar: range 0..upper, step size, one step, absolute position.
    virtual void SetProgressRange(int upper) = 0;
    virtual void SetProgressStep(int step) = 0;
    virtual void StepProgress() = 0;
    virtual void SetProgressPos(int position) = 0;

    virtual void SetControlsEnabled(bool enabled) = 0;

    // A message of the string table, red when error is set.
    void ReportStatus(int id, bool error);
    // ReportStatus's text with its id, for a sink that keeps results as values; the
    // others see ShowStatus alone.
    virtual void ShowStatusMessage(int id, const std::string& text, bool error)
    {
        (void)id;
        ShowStatus(text, error);
    }
    // A literal text, always black.
    void SetStatusText(const std::string& text) { ShowStatus(text, false); }
};

} // namespace report
