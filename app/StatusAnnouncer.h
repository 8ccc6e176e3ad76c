#pragma once

#include <QString>
#include <QStringList>

namespace ui {
class Announcer;
}

// Decides which status texts of the programmer reach a screen reader. A run shows many
// texts ("Initializing...", each region's "Download & Verify"); only how it ended is
// news worth speaking, and a failure at once and urgently. So: a failure is spoken when
// shown; a text shown outside a run (an S file loaded, the POD missing) is spoken when
// shown; during a run the latest text waits and is spoken when the run ends, unless it
// was spoken already. Texts are spoken as displayed ("&&" as "&").
class StatusAnnouncer {
public:
    explicit StatusAnnouncer(ui::Announcer& announcer) : m_announcer(announcer) {}

    // `what` is the display text of the button that started the run.
    void RunStarted(const QString& what);
    void StatusShown(const QString& text, bool error);
    // Warnings do not stop a run but may make its result wrong: spoken when shown, or
    // after a run's result when they come during the run (once each).
    void WarningShown(const QString& text);
    void RunEnded();

private:
    void Speak(const QString& text, bool urgent);

    ui::Announcer& m_announcer;
    bool m_inRun = false;
    QString m_pending; // the latest text of the run, not yet spoken
    QStringList m_pendingWarnings;
};
