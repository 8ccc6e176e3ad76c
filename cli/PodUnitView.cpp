#include "cli/PodUnitView.h"


namespace cli {

PodUnitView::Snapshot PodUnitView::Now() const
{
    std::lock_guard lock(m_mutex);
    Snapshot now = m_now;
    now.position = m_progress.position();
    now.upper = m_progress.upper();
    return now;
}

void PodUnitView::ShowStatus(const std::string& text, bool)
{
    std::lock_guard lock(m_mutex);
    m_now.status = text;
}

void PodUnitView::SetProgressRange(int upper)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetRange(upper);
}

void PodUnitView::SetProgressStep(int step)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetStep(step);
}

void PodUnitView::StepProgress()
{
    std::lock_guard lock(m_mutex);
    m_progress.Step();
}

void PodUnitView::SetProgressPos(int position)
{
    std::lock_guard lock(m_mutex);
    m_progress.SetPos(position);
}

void PodUnitView::RunFinished(const ops::RunRecord&)
{
    if (m_finished) m_finished();
}

} // namespace cli
