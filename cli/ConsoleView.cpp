#include "cli/ConsoleView.h"

#include "platform/LineRedraw.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

ConsoleView::Bar BarOnStandardError(bool progressBar)
{
    if (!progressBar) return ConsoleView::Bar::kNone;
    return platform::PrepareLineRedraw(stderr).updates == platform::LineUpdates::kRedrawInPlace
               ? ConsoleView::Bar::kRedrawn
               : ConsoleView::Bar::kPlainLines;
}

} // namespace

ConsoleView::ConsoleView(std::ostream& out, std::ostream& err, bool quiet, bool progressBar)
    : ConsoleView(out, err, quiet, BarOnStandardError(progressBar))
{
}

ConsoleView::ConsoleView(std::ostream& out, std::ostream& err, bool quiet, Bar bar)
    : m_out(out), m_err(err), m_quiet(quiet), m_bar(bar)
{
}

void ConsoleView::PrintFailure(std::ostream& err, const std::string& status,
                               const std::string& reason, const pod::UsbDriver& driver)
{
    err << "quobin-cli: " << status << '\n';
    if (!reason.empty()) err << "quobin-cli: " << reason << '\n';
    if (const std::string reason = driver.LastError(); !reason.empty())
        err << "quobin-cli: " << reason << '\n';
}

std::string ConsoleView::ProgressBar(int position, int upper, int width)
{
    const int clamped = upper > 0 ? std::clamp(position, 0, upper) : 0;
    const int filled = upper > 0 ? clamped * width / upper : 0;
    const int percent = upper > 0 ? clamped * 100 / upper : 0;
    char tail[16];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '-') + tail;
}

void ConsoleView::ShowStatus(const std::string& text, bool error)
{
    std::lock_guard lock(m_mutex);
    m_lastStatus = text;
    m_lastReason.clear();
    m_lastError = error;
    // A failure is printed once, on stderr, when the command ends with it.
    if (m_quiet || text.empty() || error) return;
    ClearBar();
    m_out << text << std::endl;
    DrawBar();
}

void ConsoleView::SetProgressRange(int upper)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetRange(upper);
    DrawBar();
}

void ConsoleView::SetProgressStep(int step)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetStep(step);
}

void ConsoleView::StepProgress()
{
    std::lock_guard lock(m_mutex);
    m_progress.Step();
    DrawBar();
}

void ConsoleView::SetProgressPos(int position)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetPos(position);
    if (m_progress.position() == 0)
        ClearBar();
    else
        DrawBar();
}

void ConsoleView::SetRegionLabels(const std::array<std::string, 4>& labels)
{
    std::lock_guard lock(m_mutex);
    if (m_quiet) return;
    ClearBar();
    for (const auto& label : labels)
        m_out << "  " << label << '\n';
    m_out.flush();
    DrawBar();
}

void ConsoleView::ShowWarning(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (!m_warned.insert(text).second) return;
    ClearBar();
    m_err << "quobin-cli: " << text << std::endl;
    DrawBar();
}

void ConsoleView::ShowNote(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    ClearBar();
    m_err << "quobin-cli: " << text << std::endl;
    DrawBar();
}

void ConsoleView::ShowFailureReason(const std::string& reason)
{
    std::lock_guard lock(m_mutex);
    m_lastReason = reason;
}

std::string ConsoleView::lastReason() const
{
    std::lock_guard lock(m_mutex);
    return m_lastReason;
}

std::string ConsoleView::lastStatus() const
{
    std::lock_guard lock(m_mutex);
    return m_lastStatus;
}

bool ConsoleView::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void ConsoleView::DrawBar()
{
    const int upper = m_progress.upper();
    if (m_bar == Bar::kNone || upper <= 0) return;
    const std::string bar = ProgressBar(m_progress.position(), upper, 40);
    if (m_bar == Bar::kPlainLines) {
        // Enough lines to see the run move, not one per step.
        const int tenth = std::clamp(m_progress.position(), 0, upper) * 10 / upper;
        if (tenth == m_plainTenth) return;
        m_plainTenth = tenth;
        m_err << bar << '\n' << std::flush;
        return;
    }
    m_err << '\r' << bar << std::flush;
    m_barShown = true;
}

void ConsoleView::ClearBar()
{
    if (!m_barShown) return;
    m_err << '\r' << std::string(48, ' ') << '\r' << std::flush;
    m_barShown = false;
}

} // namespace cli
