#include "ui/Announcer.h"

#include "ui/Announcement.h"
#include "ui/AnnouncementAccessible.h"

#include <QAccessible>
#include <QWidget>
#include <QtGlobal>

namespace ui {

namespace {
Announcer::Dispatcher g_dispatch = &QAccessible::updateAccessibility;
}

void Announcer::SetDispatcher(Dispatcher dispatcher)
{
    g_dispatch = dispatcher ? dispatcher : &QAccessible::updateAccessibility;
}

Announcer::Announcer(QWidget* window) : QObject(window), m_window(window)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&AnnouncementAccessible::Create);
        return true;
    }();
    (void)factoryInstalled;
}

void Announcer::Announce(const QString& text, bool urgent)
{
    if (text.isEmpty()) return;
    auto* message = new Announcement(text, urgent, m_window);
    m_kept.push_back(message);
    while (m_kept.size() > static_cast<std::size_t>(kKept)) {
        delete m_kept.front().data();
        m_kept.pop_front();
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent spoken(m_window, text);
    spoken.setPoliteness(urgent ? QAccessible::AnnouncementPoliteness::Assertive
                                : QAccessible::AnnouncementPoliteness::Polite);
    g_dispatch(&spoken);
#else
    QAccessibleEvent shown(message, QAccessible::ObjectShow);
    g_dispatch(&shown);
#endif
    emit announced(text, urgent);
}

} // namespace ui
