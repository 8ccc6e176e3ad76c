#include "app/CVexStatic.h"

#include "app/CVexStaticAccessible.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>

const QColor CVexStatic::kErrorColor(255, 0, 0);

CVexStatic::CVexStatic(QWidget* parent)
    : QWidget(parent), m_textColor(palette().color(QPalette::WindowText)),
      m_backColor(palette().color(QPalette::Base))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&CVexStaticAccessible::Create);
        return true;
    }();
    (void)factoryInstalled;
}

void CVexStatic::SetText(const QString& text)
{
    m_text = text;
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    // The description says "error" while the line is red; a reader that keeps it must be
    // told when that comes and goes. The owner sets the colour before the text.
    const bool red = m_textColor == kErrorColor;
    if (red != m_describedRed) {
        m_describedRed = red;
        QAccessibleEvent described(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
    emit textSet(text);
}

QString CVexStatic::Markup(const QString& plain)
{
    QString markup = plain;
    return markup.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString CVexStatic::DisplayText(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            shown += text[i];
            continue;
        }
        if (i + 1 < text.size()) {
            shown += text[i + 1]; // "&&" gives "&"; "&x" gives the mnemonic letter x
            ++i;
        }
    }
    return shown;
}

void CVexStatic::FitAreaToText()
{
    const QFontMetrics metrics(font());
    const int cx = metrics.horizontalAdvance(QLatin1Char('A'));
    const int cy = metrics.height();
    QRect area = rect();
    if (area.height() < cy) area.setBottom(area.top() + cy - 1);
    if (m_text.isEmpty()) m_text = windowTitle();
    const qsizetype needed = m_text.size() * cx;
    if (needed > area.width()) area.setRight(area.left() + static_cast<int>(needed) - 1);
    m_drawArea = area;
    m_areaFitted = true;
}

void CVexStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = m_areaFitted ? m_drawArea : rect();
    // The widget paints all of itself (opaque paint events): what the fitted area leaves
    // uncovered shows the window's background, not stale pixels.
    if (!area.contains(rect())) painter.fillRect(rect(), palette().brush(backgroundRole()));
    painter.fillRect(area, m_backColor);
    if (!m_textShown) return;
    painter.setClipRect(area);
    painter.setPen(m_textColor);
    painter.drawText(area.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextSingleLine,
                     DisplayText(m_text));
}
