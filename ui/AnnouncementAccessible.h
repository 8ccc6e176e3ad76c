#pragma once

#include <QAccessibleObject>

namespace ui {

class Announcement;

// An announcement as assistive technology sees it: a notification named with its text,
// described "error" when it reports a failure, and placed under the window that spoke it.
class AnnouncementAccessible final : public QAccessibleObject {
public:
    explicit AnnouncementAccessible(Announcement* announcement);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    // The factory that QAccessible consults for every object.
    static QAccessibleInterface* Create(const QString& className, QObject* object);

private:
    const Announcement* Message() const;
};

} // namespace ui
