#include "python/ScriptView.h"

namespace script {

void ScriptView::BeginRun()
{
    std::lock_guard lock(m_mutex);
    m_moves.clear();
    m_ended = false;
}

bool ScriptView::WaitForRun(std::chrono::milliseconds wait, std::vector<Move>& moves)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, wait, [this] { return m_ended || !m_moves.empty(); });
    moves.swap(m_moves);
    m_moves.clear();
    return m_ended;
}

void ScriptView::SetProgressRange(int upper)
{
    std::lock_guard lock(m_mutex);
    m_bar.SetRange(upper);
    Queue();
}

void ScriptView::SetProgressStep(int step)
{
    std::lock_guard lock(m_mutex);
    m_bar.SetStep(step);
}

void ScriptView::StepProgress()
{
    std::lock_guard lock(m_mutex);
    m_bar.Step();
    Queue();
}

void ScriptView::SetProgressPos(int position)
{
    std::lock_guard lock(m_mutex);
    m_bar.SetPos(position);
    Queue();
}

void ScriptView::RunFinished(const ops::RunRecord&)
{
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

void ScriptView::Queue()
{
    m_moves.emplace_back(m_bar.position(), m_bar.upper());
    m_changed.notify_all();
}

} // namespace script
