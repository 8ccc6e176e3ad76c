#include "ui/Announcement.h"

namespace ui {

Announcement::Announcement(const QString& text, bool urgent, QObject* owner)
    : QObject(owner), m_text(text), m_urgent(urgent)
{
}

} // namespace ui
