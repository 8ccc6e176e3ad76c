#include "ui/ItemTableAccessible.h"

#include "ui/ItemCellAccessible.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <utility>

namespace ui {

namespace {
const char* const kEnabledProperty = "quobinItemTableAccessible";
}

ItemTableAccessible::ItemTableAccessible(QTableView* view)
    : QAccessibleWidget(view, QAccessible::Table)
{
}

ItemTableAccessible::~ItemTableAccessible()
{
    ForgetCells();
}

void ItemTableAccessible::Enable(QTableView* view)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&ItemTableAccessible::Create);
        return true;
    }();
    (void)factoryInstalled;
    view->setProperty(kEnabledProperty, true);
    // Setting up a window (an accessible name, say) may already have made Qt's own table
    // for the view; it goes, so that the next question makes this one.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(view);
    if (made && !dynamic_cast<ItemTableAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

QAccessibleInterface* ItemTableAccessible::Create(const QString&, QObject* object)
{
    // Asked with the most derived class name first: answered there, before Qt's own table.
    auto* view = qobject_cast<QTableView*>(object);
    if (view && view->property(kEnabledProperty).toBool()) return new ItemTableAccessible(view);
    return nullptr;
}

QTableView* ItemTableAccessible::View() const
{
    return static_cast<QTableView*>(widget());
}

void ItemTableAccessible::ForgetCells()
{
    for (QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}

int ItemTableAccessible::columnCount() const
{
    return View()->model() ? View()->model()->columnCount() : 0;
}

int ItemTableAccessible::rowCount() const
{
    return View()->model() ? View()->model()->rowCount() : 0;
}

QAccessibleInterface* ItemTableAccessible::cellAt(int row, int column) const
{
    if (row < -1 || row >= rowCount() || column < -1 || column >= columnCount()) return nullptr;
    const QPair<int, int> key(row, column);
    if (const auto found = m_cells.constFind(key); found != m_cells.cend())
        return QAccessible::accessibleInterface(*found);
    auto* cell = new ItemCellAccessible(View(), row, column);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

// Children in the numbering a table view uses for its own focus and selection events:
// the header row first, then the rows, each led by its row header, shown or not.
int ItemTableAccessible::childCount() const
{
    return (rowCount() + 1) * (columnCount() + 1);
}

QAccessibleInterface* ItemTableAccessible::child(int index) const
{
    if (index < 0 || index >= childCount()) return nullptr;
    const int columns = columnCount() + 1;
    return cellAt(index / columns - 1, index % columns - 1);
}

int ItemTableAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child) return -1;
    const QAccessibleTableCellInterface* cell =
        const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell || child->parent() != this) return -1;
    return (cell->rowIndex() + 1) * (columnCount() + 1) + cell->columnIndex() + 1;
}

QAccessibleInterface* ItemTableAccessible::childAt(int x, int y) const
{
    const QPoint local = View()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex index = View()->indexAt(local);
    return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
}

QAccessibleInterface* ItemTableAccessible::focusChild() const
{
    const QModelIndex current = View()->currentIndex();
    return current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
}

void* ItemTableAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString ItemTableAccessible::columnDescription(int column) const
{
    return View()->model()
               ? View()->model()->headerData(column, Qt::Horizontal).toString()
               : QString();
}

QString ItemTableAccessible::rowDescription(int row) const
{
    return View()->model() ? View()->model()->headerData(row, Qt::Vertical).toString()
                           : QString();
}

int ItemTableAccessible::selectedCellCount() const
{
    return View()->selectionModel() ? View()->selectionModel()->selectedIndexes().size() : 0;
}

int ItemTableAccessible::selectedRowCount() const
{
    return selectedRows().size();
}

QList<QAccessibleInterface*> ItemTableAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    if (!View()->selectionModel()) return cells;
    for (const QModelIndex& index : View()->selectionModel()->selectedIndexes())
        cells.append(cellAt(index.row(), index.column()));
    return cells;
}

QList<int> ItemTableAccessible::selectedRows() const
{
    QList<int> rows;
    if (!View()->selectionModel()) return rows;
    for (const QModelIndex& index : View()->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}

bool ItemTableAccessible::isRowSelected(int row) const
{
    return View()->selectionModel() && View()->selectionModel()->isRowSelected(row);
}

bool ItemTableAccessible::selectRow(int row)
{
    if (!View()->selectionModel() || row < 0 || row >= rowCount()) return false;
    View()->selectRow(row);
    return true;
}

bool ItemTableAccessible::unselectRow(int row)
{
    if (!View()->selectionModel() || row < 0 || row >= rowCount()) return false;
    View()->selectionModel()->select(View()->model()->index(row, 0),
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

void ItemTableAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    // A changed value keeps its cell; rows that come, go or move renumber them all.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) ForgetCells();
}

} // namespace ui
