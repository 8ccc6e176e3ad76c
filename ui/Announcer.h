#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>

class QAccessibleEvent;
class QWidget;

namespace ui {

class Announcement;

// Speaks a text to a screen reader without moving the keyboard focus. A name change of a
// label is spoken only when that label has the focus, and on the Qt of Debian 12 the
// event carries the object rather than the text; so each text becomes an announcement of
// its own that appears under the window (and, where Qt has it, the platform's
// announcement signal with the text itself). Texts are spoken in the order given.
class Announcer final : public QObject {
    Q_OBJECT

public:
    // The last announcements stay alive this long in count, so that a screen reader
    // busy with earlier ones still finds their texts when it comes to them.
    static constexpr int kKept = 8;

    // Where the announcement events go: Qt's accessibility by default. Qt drops every
    // event while no screen reader is attached, so a test that wants to see them puts its
    // own receiver here (nullptr gives Qt's back).
    using Dispatcher = void (*)(QAccessibleEvent* event);
    static void SetDispatcher(Dispatcher dispatcher);

    explicit Announcer(QWidget* window);

    // An empty text says nothing. Urgent texts (failures) interrupt what is being said.
    void Announce(const QString& text, bool urgent = false);

signals:
    void announced(const QString& text, bool urgent);

private:
    QWidget* m_window;
    std::deque<QPointer<Announcement>> m_kept; // oldest first
};

} // namespace ui
