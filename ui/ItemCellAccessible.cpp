#include "ui/ItemCellAccessible.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace ui {

ItemCellAccessible::ItemCellAccessible(QTableView* view, int row, int column)
    : m_view(view), m_row(row), m_column(column)
{
}

bool ItemCellAccessible::isValid() const
{
    return m_view && m_view->model() && m_row < m_view->model()->rowCount() &&
           m_column < m_view->model()->columnCount();
}

QAccessibleInterface* ItemCellAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(m_view.data());
}

QAccessible::Role ItemCellAccessible::role() const
{
    return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
}

QString ItemCellAccessible::text(QAccessible::Text t) const
{
    if (!isValid()) return {};
    const QAbstractItemModel* model = m_view->model();
    if (m_row < 0)
        return t == QAccessible::Name ? model->headerData(m_column, Qt::Horizontal).toString()
                                      : QString();
    const QModelIndex index = model->index(m_row, m_column);
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        return model->data(index, Qt::DisplayRole).toString();
    case QAccessible::Description:
        return model->headerData(m_column, Qt::Horizontal).toString();
    default:
        return {};
    }
}

QRect ItemCellAccessible::rect() const
{
    if (!isValid()) return {};
    if (m_row < 0) {
        const QHeaderView* header = m_view->horizontalHeader();
        const QRect local(header->sectionViewportPosition(m_column), 0,
                          header->sectionSize(m_column), header->height());
        return QRect(header->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    const QRect local = m_view->visualRect(m_view->model()->index(m_row, m_column));
    return QRect(m_view->viewport()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State ItemCellAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    if (m_row < 0) return state;
    const QModelIndex index = m_view->model()->index(m_row, m_column);
    state.focusable = true;
    state.selectable = true;
    state.selected = isSelected();
    state.focused = m_view->hasFocus() && m_view->currentIndex() == index;
    state.active = state.focused;
    state.invisible = !m_view->viewport()->rect().intersects(m_view->visualRect(index));
    state.offscreen = state.invisible;
    return state;
}

void* ItemCellAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::ActionInterface && m_row >= 0)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

bool ItemCellAccessible::isSelected() const
{
    return isValid() && m_row >= 0 && m_view->selectionModel() &&
           m_view->selectionModel()->isSelected(m_view->model()->index(m_row, m_column));
}

QList<QAccessibleInterface*> ItemCellAccessible::columnHeaderCells() const
{
    QAccessibleInterface* table = parent();
    if (m_row < 0 || !table || !table->tableInterface()) return {};
    QAccessibleInterface* header = table->tableInterface()->cellAt(-1, m_column);
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

QStringList ItemCellAccessible::actionNames() const
{
    return {setFocusAction()};
}

void ItemCellAccessible::doAction(const QString& actionName)
{
    if (actionName != setFocusAction() || !isValid() || !m_view->isEnabled()) return;
    m_view->setFocus(Qt::OtherFocusReason);
    m_view->setCurrentIndex(m_view->model()->index(m_row, m_column));
}

} // namespace ui
