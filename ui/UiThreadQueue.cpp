#include "ui/UiThreadQueue.h"

#include <QThread>

namespace ui {

void UiThreadQueue::Post(std::function<void()> call)
{
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    std::lock_guard lock(m_mutex);
    m_posted.push_back(std::move(call));
    QMetaObject::invokeMethod(this, &UiThreadQueue::RunPosted, Qt::QueuedConnection);
}

void UiThreadQueue::RunPosted()
{
    std::deque<std::function<void()>> due;
    {
        std::lock_guard lock(m_mutex);
        due.swap(m_posted);
    }
    for (auto& call : due)
        call();
}

} // namespace ui
