#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace ui {

// Carries calls from worker threads to the thread of a window, in the order they were
// made. A window's reports from a worker (status texts, values, the end of a run) must
// arrive in order and must never touch a widget from the worker itself.
class UiThreadQueue final : public QObject {
    Q_OBJECT

public:
    explicit UiThreadQueue(QObject* owner) : QObject(owner) {}

    // On the owner's thread the call runs at once (a status must show before a blocking
    // exchange returns); from any other thread it joins the queue.
    void Post(std::function<void()> call);

private:
    void RunPosted();

    // Held while posting, so that the worker's writes are ordered before the UI thread's
    // reads also for thread checkers that cannot see inside the Qt library.
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted; // oldest first
};

} // namespace ui
