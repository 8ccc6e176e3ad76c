#pragma once

#include <QString>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

// The run log pane and the run counter beside it: every status, warning and note of
// every run with the time it was shown, and one summary line per finished run. UI
// thread only.
class RunLog {
public:
    RunLog(QPlainTextEdit* pane, QLabel* counter);

    void Append(const QString& text);
    // Counts a finished run and logs its summary line.
    void RunFinished(const QString& summary, bool ok);
    // The pane's lines, oldest first.
    QStringList Lines() const;

private:
    QPlainTextEdit* m_pane;
    QLabel* m_counter;
    int m_passes = 0;
    int m_failures = 0;
};
