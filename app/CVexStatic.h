#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

// The status line: one line of text, centred, on a solid background, painted by hand so
// that the colour can switch between black (progress, success) and red (errors). It keeps
// only the last text; there is no history.
class CVexStatic : public QWidget {
    Q_OBJECT

public:
    explicit CVexStatic(QWidget* parent = nullptr);

    // The red of failures; assistive technology hears it as the description "error".
    static const QColor kErrorColor;

    // Replaces the stored text without repainting; the owner sets the colour and then
    // repaints. Screen readers are told at once, so that each status is announced.
    void SetText(const QString& text);
    const QString& Text() const { return m_text; }

    // Measures one "A" and widens or heightens the drawing area so that the stored text
    // fits; an empty stored text takes the widget's window title text first.
    void FitAreaToText();

    // The text as drawn: "&&" becomes "&", a lone "&" marks the next character (which is
    // shown) and a trailing lone "&" disappears, as the platform's prefix processing does.
    static QString DisplayText(const QString& text);
    // A plain text (the core's status texts) as this control's markup: each "&" doubled,
    // so that it is drawn as it reads.
    static QString Markup(const QString& plain);

signals:
    // Each text set, as the name-changed event tells assistive technology.
    void textSet(const QString& text);

public:
    QColor m_textColor;
    QColor m_backColor;
    bool m_textShown = false;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_areaFitted = false;
    bool m_describedRed = false; // the "error" description assistive technology last heard of
    QString m_text;
    QRect m_drawArea;
};
