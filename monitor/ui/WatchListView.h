#pragma once

#include <QHash>
#include <QPair>
#include <QTableView>

#include <functional>

namespace ui {
class Announcer;
}

// A watch list's table. Its value cells change on every monitoring cycle, up to ten times a
// second: a screen reader that heard each change of every list would talk without pause
// and drown whatever the user is doing elsewhere. So changes are told to assistive
// technology only while this list has the keyboard focus, and each cell at most once a
// second; the focused row's value is then also spoken. Otherwise the cells are just
// repainted. F3 speaks the focused row's name and value on demand.
class WatchListView : public QTableView {
    Q_OBJECT

public:
    static constexpr qint64 kCellQuietMs = 1000;
    using Clock = std::function<qint64()>; // milliseconds, from any fixed start

    explicit WatchListView(QWidget* parent = nullptr);

    // Where spoken values go; none keeps the list silent.
    void SetAnnouncer(ui::Announcer* announcer) { m_announcer = announcer; }
    void SetClock(Clock clock) { m_now = std::move(clock); }
    // The focused row's name and value, as F3 speaks them.
    QString CurrentRowText() const;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int ValueColumn() const;
    void AnnounceCells(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    ui::Announcer* m_announcer = nullptr;
    Clock m_now;
    QHash<QPair<int, int>, qint64> m_lastTold; // (row, column) -> when last told
};
