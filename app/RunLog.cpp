#include "app/RunLog.h"

#include <QDateTime>
#include <QLabel>
#include <QPlainTextEdit>

RunLog::RunLog(QPlainTextEdit* pane, QLabel* counter) : m_pane(pane), m_counter(counter)
{
    m_pane->setTabChangesFocus(true);
}

void RunLog::Append(const QString& text)
{
    if (text.isEmpty()) return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    m_pane->appendPlainText(stamp + QLatin1Char(' ') + text);
}

void RunLog::RunFinished(const QString& summary, bool ok)
{
    ++(ok ? m_passes : m_failures);
    m_counter->setText(
        QStringLiteral("Runs: %1 passed, %2 failed").arg(m_passes).arg(m_failures));
    Append(summary);
}

QStringList RunLog::Lines() const
{
    return m_pane->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
