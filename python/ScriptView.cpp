#include "python/ScriptView.h"

#include <algorithm>

namespace script {

void ScriptView::ShowStatus(const std::string& text, bool)
{
    std::lock_guard lock(m_mutex);
    m_lastStatus = text;
    m_lastReason.clear();
}

void ScriptView::ShowFailureReason(const std::string& reason)
{
    std::lock_guard lock(m_mutex);
    m_lastReason = reason;
}

std::string ScriptView::lastStatus() const
{
    std::lock_guard lock(m_mutex);
    return m_lastStatus;
}

std::string ScriptView::lastReason() const
{
    std::lock_guard lock(m_mutex);
    return m_lastReason;
}

void ScriptView::SetProgressRange(int upper)
{
    {
        std::lock_guard lock(m_mutex);
        m_bar.SetRange(upper);
    }
    Report();
}

void ScriptView::SetProgressStep(int step)
{
    std::lock_guard lock(m_mutex);
    m_bar.SetStep(step);
}

void ScriptView::StepProgress()
{
    {
        std::lock_guard lock(m_mutex);
        m_bar.Step();
    }
    Report();
}

void ScriptView::SetProgressPos(int position)
{
    {
        std::lock_guard lock(m_mutex);
        m_bar.SetPos(position);
    }
    Report();
}

void ScriptView::Report()
{
    int position = 0;
    int upper = 0;
    {
        std::lock_guard lock(m_mutex);
        position = m_bar.position();
        upper = m_bar.upper();
    }
    // Outside the lock: the callback runs the script's code.
    if (m_progress != nullptr && *m_progress) (*m_progress)(position, upper);
}

} // namespace script
