#pragma once

#include "ui/Announcement.h"
#include "ui/Announcer.h"

#include <QAccessible>
#include <QList>
#include <QString>

// What a screen reader would speak of the windows' announcements, as the accessibility
// events carry it: the text of each announcement event in order, with its urgency. While
// one of these lives, the announcers' events come here instead of going to Qt.
class SpokenTexts {
public:
    struct Spoken {
        QString text;
        bool urgent;
        bool operator==(const Spoken&) const = default;
    };

    SpokenTexts()
    {
        Heard().clear();
        ui::Announcer::SetDispatcher(&SpokenTexts::Record);
    }
    ~SpokenTexts() { ui::Announcer::SetDispatcher(nullptr); }

    static QList<Spoken>& Heard()
    {
        static QList<Spoken> heard;
        return heard;
    }
    static QStringList Texts()
    {
        QStringList texts;
        for (const Spoken& spoken : Heard())
            texts << spoken.text;
        return texts;
    }

private:
    static void Record(QAccessibleEvent* event)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        if (event->type() == QAccessible::Announcement) {
            const auto* said = static_cast<QAccessibleAnnouncementEvent*>(event);
            Heard().append({said->message(),
                            said->politeness() == QAccessible::AnnouncementPoliteness::Assertive});
        }
#else
        // The notification is read as the screen reader handles the event: its name then
        // must still be the text it appeared with.
        if (event->type() == QAccessible::ObjectShow &&
            qobject_cast<ui::Announcement*>(event->object())) {
            QAccessibleInterface* shown = event->accessibleInterface();
            if (shown->role() == QAccessible::Notification)
                Heard().append({shown->text(QAccessible::Name),
                                shown->text(QAccessible::Description) == QLatin1String("error")});
        }
#endif
    }
};
