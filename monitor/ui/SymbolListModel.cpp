#include "monitor/ui/SymbolListModel.h"

#include "monitor/ui/ListCells.h"

namespace {
const char* const kHeaders[] = {"Symbol Name", "Address", "Data Size", "Type"};
constexpr int kColumns = 4;
} // namespace

SymbolListModel::SymbolListModel(const monitor::SymbolTable& table,
                                 const monitor::TypedSymbols& types, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_types(types)
{
}

void SymbolListModel::Refill()
{
    beginResetModel();
    m_indices = m_table.DisplayOrder();
    m_rows.clear();
    for (int index : m_indices)
        m_rows.push_back(m_table.at(index));
    endResetModel();
}

int SymbolListModel::SymbolIndexAt(int row) const
{
    return row >= 0 && row < static_cast<int>(m_indices.size())
               ? m_indices[static_cast<std::size_t>(row)]
               : -1;
}

int SymbolListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SymbolListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant SymbolListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const monitor::SymbolEntry& entry = m_rows[static_cast<std::size_t>(index.row())];
    if (role == kSymbolIndexRole) return SymbolIndexAt(index.row());
    if (role == Qt::DecorationRole && index.column() == 0)
        return listcells::IconForSize(entry.size);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (index.column()) {
    case 0:
        return QString::fromStdString(entry.name);
    case 1:
        return listcells::AddressText(entry.address);
    case 2:
        return QString::number(entry.size);
    case 3: {
        const monitor::TypedRow* typed = m_types.RowOf(SymbolIndexAt(index.row()));
        return typed ? QString::fromStdString(typed->typeText) : QString();
    }
    default:
        return {};
    }
}

QVariant SymbolListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}
