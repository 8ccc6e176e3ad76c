#pragma once

#include "ops/ProgrammerView.h"
#include "ops/ProgressPosition.h"
#include "pod/UsbDriver.h"

#include <mutex>
#include <ostream>
#include <set>
#include <string>

namespace cli {

// The programmer's reports on a terminal: each status text on its own line (as the
// status line shows it: "&&" as "&"), and a progress bar on stderr when stderr is a
// terminal. With quiet set only the progress bar is drawn (--json prints one object at
// the end instead). Called from the operation worker.
class ConsoleView final : public ops::ProgrammerView {
public:
    // How the bar is shown: not at all, redrawn in place, or where the terminal takes no
    // escape sequences as a plain line per tenth of the way.
    enum class Bar { kNone, kRedrawn, kPlainLines };

    // With progressBar, `err` is standard error on a terminal, and the bar is drawn as
    // that terminal allows.
    ConsoleView(std::ostream& out, std::ostream& err, bool quiet, bool progressBar);
    ConsoleView(std::ostream& out, std::ostream& err, bool quiet, Bar bar);

    void ShowStatus(const std::string& text, bool error) override;
    void SetProgressRange(int upper) override;
    void SetProgressStep(int step) override;
    void StepProgress() override;
    void SetProgressPos(int position) override;
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>& labels) override;
    // Warnings and remarks go to stderr, each warning once however often it is reported.
    void ShowWarning(const std::string& text) override;
    void ShowNote(const std::string& text) override;
    // Kept for the failure's second line.
    void ShowFailureReason(const std::string& reason) override;

    std::string lastStatus() const;
    // Why the command behind the last status failed; empty when no reason followed it.
    std::string lastReason() const;
    bool lastError() const;

    // "[#####-----]  50%" for a position within 0..upper.
    static std::string ProgressBar(int position, int upper, int width);
    // A failed operation on stderr: its status text, then why its command failed, then the
    // USB back end's reason, each when there is one (the status texts say what failed, the
    // rest why and what to do).
    static void PrintFailure(std::ostream& err, const std::string& status,
                             const std::string& reason, const pod::UsbDriver& driver);

private:
    void DrawBar();
    void ClearBar();

    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_quiet;
    const Bar m_bar;
    mutable std::mutex m_mutex;
    std::string m_lastStatus;
    std::string m_lastReason;
    bool m_lastError = false;
    ops::ProgressPosition m_progress;
    bool m_barShown = false;
    int m_plainTenth = -1; // the tenth of the way of the last plain bar line
    std::set<std::string> m_warned;
};

} // namespace cli
