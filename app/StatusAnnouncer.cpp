#include "app/StatusAnnouncer.h"

#include "app/CVexStatic.h"
#include "ui/Announcer.h"

#include <utility>

void StatusAnnouncer::RunStarted(const QString& what)
{
    m_inRun = true;
    m_pending.clear();
    m_pendingWarnings.clear();
    m_announcer.Announce(CVexStatic::DisplayText(what) + QStringLiteral(" started"));
}

void StatusAnnouncer::StatusShown(const QString& text, bool error)
{
    if (error || !m_inRun) {
        m_pending.clear();
        Speak(text, error);
        return;
    }
    m_pending = text;
}

void StatusAnnouncer::WarningShown(const QString& text)
{
    if (!m_inRun) {
        Speak(text, false);
        return;
    }
    if (!m_pendingWarnings.contains(text)) m_pendingWarnings.append(text);
}

void StatusAnnouncer::RunEnded()
{
    if (!m_inRun) return;
    m_inRun = false;
    Speak(m_pending, false);
    m_pending.clear();
    for (const QString& warning : std::as_const(m_pendingWarnings))
        Speak(warning, false);
    m_pendingWarnings.clear();
}

void StatusAnnouncer::Speak(const QString& text, bool urgent)
{
    m_announcer.Announce(CVexStatic::DisplayText(text), urgent);
}
