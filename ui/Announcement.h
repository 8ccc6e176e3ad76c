#pragma once

#include <QObject>
#include <QString>

namespace ui {

// One spoken message: a short-lived object whose only content is its text. A screen
// reader on Linux speaks a notification when it appears and asks for its name while it
// handles the event; a message of its own, never changed, makes sure that name is still
// this text however many messages follow.
class Announcement final : public QObject {
    Q_OBJECT

public:
    Announcement(const QString& text, bool urgent, QObject* owner);

    const QString& Text() const { return m_text; }
    // A failure: it must not wait behind what is being said.
    bool IsUrgent() const { return m_urgent; }

private:
    const QString m_text;
    const bool m_urgent;
};

} // namespace ui
