#include "WatchListView.h"

#include <QAccessible>

void WatchListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles)
{
    if (hasFocus()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        AnnounceCells(topLeft, bottomRight);
        return;
    }
    // What the base class would do for a list without editors, less its notice to
    // assistive technology.
    if (topLeft.isValid() && bottomRight.isValid())
        viewport()->update(visualRect(topLeft).united(visualRect(bottomRight)));
}

void WatchListView::AnnounceCells(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    // Cell interfaces are made on demand: none are made while nobody listens.
    if (!QAccessible::isActive() || !topLeft.isValid() || !bottomRight.isValid()) return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    if (!table || !table->tableInterface()) return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            QAccessibleInterface* cell = table->tableInterface()->cellAt(row, column);
            if (!cell) continue;
            QAccessibleEvent changed(cell, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
}
