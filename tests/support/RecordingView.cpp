#include "tests/support/RecordingView.h"

#include <algorithm>

namespace support {

void RecordingView::Add(std::string event)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(std::move(event));
}

void RecordingView::ShowStatus(const std::string& text, bool error)
{
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::string("status ") + (error ? "red " : "black ") + text);
        m_statuses.emplace_back(text, error);
    }
    if (m_next != nullptr) m_next->ShowStatus(text, error);
}

void RecordingView::SetProgressRange(int upper)
{
    Add("range " + std::to_string(upper));
    if (m_next != nullptr) m_next->SetProgressRange(upper);
}

void RecordingView::SetProgressStep(int step)
{
    Add("stepsize " + std::to_string(step));
    if (m_next != nullptr) m_next->SetProgressStep(step);
}

void RecordingView::StepProgress()
{
    Add("step");
    if (m_next != nullptr) m_next->StepProgress();
}

void RecordingView::SetProgressPos(int position)
{
    Add("pos " + std::to_string(position));
    if (m_next != nullptr) m_next->SetProgressPos(position);
}

void RecordingView::SetControlsEnabled(bool enabled)
{
    Add(enabled ? "controls on" : "controls off");
    if (m_next != nullptr) m_next->SetControlsEnabled(enabled);
}

void RecordingView::SetRegionLabels(const std::array<std::string, 4>& labels)
{
    Add("labels " + labels[0] + " | " + labels[1] + " | " + labels[2] + " | " + labels[3]);
    if (m_next != nullptr) m_next->SetRegionLabels(labels);
}

std::vector<std::string> RecordingView::Events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<std::pair<std::string, bool>> RecordingView::Statuses() const
{
    std::lock_guard lock(m_mutex);
    return m_statuses;
}

std::vector<std::string> RecordingView::Texts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const auto& status : m_statuses)
        texts.push_back(status.first);
    return texts;
}

std::string RecordingView::LastStatus() const
{
    std::lock_guard lock(m_mutex);
    return m_statuses.empty() ? std::string() : m_statuses.back().first;
}

bool RecordingView::LastError() const
{
    std::lock_guard lock(m_mutex);
    return !m_statuses.empty() && m_statuses.back().second;
}

std::vector<int> RecordingView::Ranges() const
{
    std::lock_guard lock(m_mutex);
    std::vector<int> ranges;
    for (const std::string& event : m_events) {
        if (event.rfind("range ", 0) == 0) ranges.push_back(std::stoi(event.substr(6)));
    }
    return ranges;
}

int RecordingView::Count(const std::string& event) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_events.begin(), m_events.end(), event));
}

void RecordingView::ShowTransferProgress(const ops::TransferProgress& progress)
{
    {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(progress);
    }
    if (m_next) m_next->ShowTransferProgress(progress);
}

void RecordingView::ShowWarning(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_warnings.push_back(text);
    }
    if (m_next) m_next->ShowWarning(text);
}

void RecordingView::ShowNote(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_notes.push_back(text);
    }
    if (m_next) m_next->ShowNote(text);
}

void RecordingView::RunFinished(const ops::RunRecord& record)
{
    {
        std::lock_guard lock(m_mutex);
        m_runs.push_back(record);
    }
    if (m_next) m_next->RunFinished(record);
}

std::vector<ops::TransferProgress> RecordingView::Progress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<std::string> RecordingView::Warnings() const
{
    std::lock_guard lock(m_mutex);
    return m_warnings;
}

std::vector<std::string> RecordingView::Notes() const
{
    std::lock_guard lock(m_mutex);
    return m_notes;
}

std::vector<ops::RunRecord> RecordingView::Runs() const
{
    std::lock_guard lock(m_mutex);
    return m_runs;
}

void RecordingView::Clear()
{
    std::lock_guard lock(m_mutex);
    m_events.clear();
    m_statuses.clear();
    m_progress.clear();
    m_warnings.clear();
    m_notes.clear();
    m_runs.clear();
}

} // namespace support
