#include "ui/AnnouncementAccessible.h"

#include "ui/Announcement.h"

namespace ui {

AnnouncementAccessible::AnnouncementAccessible(Announcement* announcement)
    : QAccessibleObject(announcement)
{
}

const Announcement* AnnouncementAccessible::Message() const
{
    return static_cast<const Announcement*>(object());
}

QAccessible::Role AnnouncementAccessible::role() const
{
    return QAccessible::Notification;
}

QAccessible::State AnnouncementAccessible::state() const
{
    QAccessible::State state;
    state.readOnly = true;
    return state;
}

QString AnnouncementAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        return Message()->Text();
    case QAccessible::Description:
        return Message()->IsUrgent() ? QStringLiteral("error") : QString();
    default:
        return {};
    }
}

QAccessibleInterface* AnnouncementAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(object()->parent());
}

QAccessibleInterface* AnnouncementAccessible::Create(const QString& className, QObject* object)
{
    if (className == QLatin1String("ui::Announcement") && object)
        return new AnnouncementAccessible(static_cast<Announcement*>(object));
    return nullptr;
}

} // namespace ui
