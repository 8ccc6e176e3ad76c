#include "ui/ItemCellAccessible.h"

#include "ui/ItemRoles.h"

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
    if (m_row < 0 && m_column < 0) return QAccessible::Pane; // the corner
    if (m_row < 0) return QAccessible::ColumnHeader;
    return m_column < 0 ? QAccessible::RowHeader : QAccessible::Cell;
}

QString ItemCellAccessible::text(QAccessible::Text t) const
{
    if (!isValid()) return {};
    const QAbstractItemModel* model = m_view->model();
    if (IsHeader()) {
        if (t != QAccessible::Name || (m_row < 0 && m_column < 0)) return {};
        return m_row < 0 ? model->headerData(m_column, Qt::Horizontal).toString()
                         : model->headerData(m_row, Qt::Vertical).toString();
    }
    const QModelIndex index = model->index(m_row, m_column);
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value: {
        // A model may say more to a listener than the cell shows (a tree row its full path).
        const QVariant spoken = model->data(index, Qt::AccessibleTextRole);
        return (spoken.isValid() ? spoken : model->data(index, Qt::DisplayRole)).toString();
    }
    case QAccessible::Description: {
        // What the model adds (a variable's C type), else the column's header; a cell
        // beyond the first names its row, so that landing on a value says whose it is.
        const QVariant described = model->data(index, Qt::AccessibleDescriptionRole);
        const QString what = described.isValid() ? described.toString()
                                                 : model->headerData(m_column, Qt::Horizontal).toString();
        if (m_column == 0) return what;
        const QModelIndex first = model->index(m_row, 0);
        const QVariant spoken = model->data(first, Qt::AccessibleTextRole);
        return (spoken.isValid() ? spoken : model->data(first, Qt::DisplayRole)).toString() +
               QStringLiteral(", ") + what;
    }
    default:
        return {};
    }
}

QRect ItemCellAccessible::rect() const
{
    if (!isValid() || (m_row < 0 && m_column < 0)) return {};
    if (m_column < 0) {
        const QHeaderView* header = m_view->verticalHeader();
        const QRect local(0, header->sectionViewportPosition(m_row), header->width(),
                          header->sectionSize(m_row));
        return QRect(header->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
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
    if (IsHeader()) {
        state.invisible = m_row < 0 ? m_view->horizontalHeader()->isHidden()
                                    : m_view->verticalHeader()->isHidden();
        return state;
    }
    const QModelIndex index = m_view->model()->index(m_row, m_column);
    state.focusable = true;
    state.selectable = true;
    state.selected = isSelected();
    state.focused = m_view->hasFocus() && m_view->currentIndex() == index;
    state.active = state.focused;
    state.invisible = !m_view->viewport()->rect().intersects(m_view->visualRect(index));
    state.offscreen = state.invisible;
    if (m_column == 0) {
        const int tree = m_view->model()->data(index, kExpandStateRole).toInt();
        state.expandable = tree > 0;
        state.expanded = tree == 2;
        state.collapsed = tree == 1;
    }
    return state;
}

void* ItemCellAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::ActionInterface && !IsHeader())
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

bool ItemCellAccessible::isSelected() const
{
    return isValid() && !IsHeader() && m_view->selectionModel() &&
           m_view->selectionModel()->isSelected(m_view->model()->index(m_row, m_column));
}

QList<QAccessibleInterface*> ItemCellAccessible::columnHeaderCells() const
{
    QAccessibleInterface* table = parent();
    if (IsHeader() || !table || !table->tableInterface()) return {};
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
