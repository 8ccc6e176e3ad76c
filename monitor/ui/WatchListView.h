#pragma once

#include <QTableView>

// A watch list's table. Its value cells change on every monitoring cycle, up to ten times a
// second: a screen reader that heard each change of every list would talk without pause
// and drown whatever the user is doing elsewhere. So changes are announced (the table's
// data-changed notice and a name change of each changed cell, a cell's name being its
// text) only while this list has the keyboard focus; otherwise the cells are just repainted.
class WatchListView : public QTableView {
    Q_OBJECT

public:
    using QTableView::QTableView;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    void AnnounceCells(const QModelIndex& topLeft, const QModelIndex& bottomRight);
};
