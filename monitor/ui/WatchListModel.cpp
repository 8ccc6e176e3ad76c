#include "monitor/ui/WatchListModel.h"

#include "monitor/ui/ListCells.h"

#include <QColor>
#include <QDateTime>

namespace {
const char* const kSymbolHeaders[] = {"Symbol Name", "Address", "Monitor Value", "View Type",
                                      "Data Size", "Type"};
const char* const kAddressHeaders[] = {"Address", "Monitor Value", "View Type"};
} // namespace

WatchListModel::WatchListModel(monitor::WatchList& watchList, monitor::WatchListId list,
                               QObject* parent)
    : QAbstractTableModel(parent), m_watchList(watchList), m_list(list)
{
    m_rows = m_watchList.Rows(m_list);
}

void WatchListModel::Reload()
{
    beginResetModel();
    m_rows = m_watchList.Rows(m_list);
    endResetModel();
}

void WatchListModel::RefreshRows(const std::vector<int>& rows)
{
    for (int row : rows) {
        const auto fresh = m_watchList.Row(m_list, row);
        // The list changed under the worker's report (a row was removed or added since):
        // the indices no longer match the copy, so take all of it.
        if (!fresh || row >= rowCount() || fresh->id != m_rows[static_cast<std::size_t>(row)].id) {
            Reload();
            return;
        }
        m_rows[static_cast<std::size_t>(row)] = *fresh;
        m_fresh.insert(fresh->id);
        m_lastRead.insert(fresh->id, QDateTime::currentMSecsSinceEpoch());
        EmitValueChanged(row);
    }
}

void WatchListModel::EmitValueChanged(int row)
{
    const QModelIndex cell = index(row, ValueColumn());
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ForegroundRole, Qt::ToolTipRole});
}

void WatchListModel::MarkRead(const std::vector<std::uint64_t>& rowIds, qint64 atMs)
{
    for (std::uint64_t id : rowIds) {
        m_lastRead.insert(id, atMs);
        if (m_fresh.contains(id)) continue;
        m_fresh.insert(id);
        // Only a cell that turns from stale to live is repainted; a cycle that reads the
        // same values paints nothing.
        for (int row = 0; row < rowCount(); ++row)
            if (m_rows[static_cast<std::size_t>(row)].id == id) EmitValueChanged(row);
    }
}

void WatchListModel::MarkStale()
{
    if (m_fresh.isEmpty()) return;
    m_fresh.clear();
    if (rowCount() == 0) return;
    emit dataChanged(index(0, ValueColumn()), index(rowCount() - 1, ValueColumn()),
                     {Qt::ForegroundRole, Qt::ToolTipRole});
}

bool WatchListModel::IsStale(int row) const
{
    return row >= 0 && row < rowCount() &&
           !m_fresh.contains(m_rows[static_cast<std::size_t>(row)].id);
}

int WatchListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid()) return 0;
    return m_list == monitor::WatchListId::Symbols ? 6 : 3;
}

WatchListModel::Cell WatchListModel::CellOf(int column) const
{
    static const Cell symbolCells[] = {Cell::Name, Cell::Address, Cell::Value, Cell::ViewType,
                                       Cell::Size, Cell::Type};
    static const Cell addressCells[] = {Cell::Address, Cell::Value, Cell::ViewType};
    return m_list == monitor::WatchListId::Symbols ? symbolCells[column] : addressCells[column];
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const monitor::MonitorItem& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == 0)
        return listcells::IconForSize(m_list == monitor::WatchListId::Symbols ? row.size : 0);
    if (index.column() == ValueColumn() && !row.valueText.empty()) {
        const bool stale = !m_fresh.contains(row.id);
        if (role == Qt::ForegroundRole && stale) return QColor(Qt::gray);
        if (role == Qt::ToolTipRole) {
            const auto read = m_lastRead.constFind(row.id);
            if (read == m_lastRead.cend()) return {};
            const QString at =
                QDateTime::fromMSecsSinceEpoch(*read).toString(QStringLiteral("HH:mm:ss"));
            return stale ? QStringLiteral("Stale: last read at %1").arg(at)
                         : QStringLiteral("Read at %1").arg(at);
        }
    }
    const Cell cell = CellOf(index.column());
    // A long name is cut in the middle on screen; its tool tip holds it whole.
    if (role == Qt::ToolTipRole && cell == Cell::Name) return QString::fromStdString(row.name);
    // A listener hears the C type with the name, hidden column or not.
    if (role == Qt::AccessibleDescriptionRole && cell == Cell::Name && m_typeInfo) {
        const TypeInfo info = m_typeInfo(row);
        if (!info.typeText.isEmpty())
            return info.bits.isEmpty() ? info.typeText : info.typeText + QStringLiteral(", ") + info.bits;
    }
    if (role == Qt::ToolTipRole && cell == Cell::ViewType && m_typeInfo) {
        const QString bits = m_typeInfo(row).bits;
        if (!bits.isEmpty()) return bits;
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (cell) {
    case Cell::Name:
        return QString::fromStdString(row.name);
    case Cell::Address:
        return listcells::AddressText(row.address);
    case Cell::Value:
        return m_valueText ? m_valueText(row) : QString::fromStdString(row.valueText);
    case Cell::ViewType:
        return QString::fromLatin1(monitor::ViewTypeName(row.viewType));
    case Cell::Size:
        return QString::number(row.size);
    case Cell::Type:
        return m_typeInfo ? m_typeInfo(row).typeText : QString();
    }
    return {};
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    return QString::fromLatin1(m_list == monitor::WatchListId::Symbols ? kSymbolHeaders[section]
                                                                       : kAddressHeaders[section]);
}
