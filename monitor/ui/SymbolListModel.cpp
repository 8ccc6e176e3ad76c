#include "monitor/ui/SymbolListModel.h"

#include <QSet>
#include <QStringList>

#include "monitor/ui/ListCells.h"

#include <iterator>

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
    m_rows.clear();
    for (int index : m_table.DisplayOrder()) {
        Row row;
        row.symbolIndex = index;
        if (const monitor::TypedRow* typed = m_types.RowOf(index)) row.typed = *typed;
        m_rows.push_back(std::move(row));
    }
    endResetModel();
}

const SymbolListModel::Row* SymbolListModel::RowPtr(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size())
               ? &m_rows[static_cast<std::size_t>(row)]
               : nullptr;
}

int SymbolListModel::SymbolIndexAt(int row) const
{
    const Row* r = RowPtr(row);
    return r ? r->symbolIndex : -1;
}

const monitor::TypedRow* SymbolListModel::TypedAt(int row) const
{
    const Row* r = RowPtr(row);
    return r && r->typed ? &*r->typed : nullptr;
}

bool SymbolListModel::IsMemberRow(int row) const
{
    const Row* r = RowPtr(row);
    return r && r->depth > 0;
}

SymbolListModel::RowState SymbolListModel::StateAt(int row) const
{
    const Row* r = RowPtr(row);
    if (!r || !r->typed || !r->typed->aggregate) return RowState::Leaf;
    return r->open ? RowState::Open : RowState::Closed;
}

int SymbolListModel::ParentRow(int row) const
{
    const Row* r = RowPtr(row);
    if (!r || r->depth == 0) return -1;
    for (int above = row - 1; above >= 0; --above)
        if (m_rows[static_cast<std::size_t>(above)].depth < r->depth) return above;
    return -1;
}

void SymbolListModel::Open(int row)
{
    if (StateAt(row) != RowState::Closed) return;
    Row& parent = m_rows[static_cast<std::size_t>(row)];
    const monitor::ChildRows children = m_types.Children(*parent.typed);
    std::vector<Row> rows;
    for (const monitor::TypedRow& child : children.rows)
        rows.push_back({parent.symbolIndex, child, parent.depth + 1, false, 0});
    if (children.more > 0)
        rows.push_back({parent.symbolIndex, std::nullopt, parent.depth + 1, false, children.more});
    parent.open = true;
    const QModelIndex mark = index(row, 0);
    emit dataChanged(mark, mark, {kStateRole});
    if (rows.empty()) return;
    beginInsertRows({}, row + 1, row + static_cast<int>(rows.size()));
    m_rows.insert(m_rows.begin() + row + 1, std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    endInsertRows();
}

void SymbolListModel::Close(int row)
{
    if (StateAt(row) != RowState::Open) return;
    Row& parent = m_rows[static_cast<std::size_t>(row)];
    parent.open = false;
    const QModelIndex mark = index(row, 0);
    emit dataChanged(mark, mark, {kStateRole});
    int end = row + 1;
    while (end < rowCount() && m_rows[static_cast<std::size_t>(end)].depth > parent.depth)
        ++end;
    if (end == row + 1) return;
    beginRemoveRows({}, row + 1, end - 1);
    m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + end);
    endRemoveRows();
}

int SymbolListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SymbolListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QString SymbolListModel::PathOf(const Row& row) const
{
    return QString::fromStdString(row.depth == 0 ? m_table.at(row.symbolIndex).name : row.typed->path);
}

QStringList SymbolListModel::OpenPaths() const
{
    QStringList paths;
    for (const Row& row : m_rows)
        if (row.open) paths << PathOf(row);
    return paths;
}

void SymbolListModel::ReopenPaths(const QStringList& paths)
{
    if (paths.isEmpty()) return;
    const QSet<QString> wanted(paths.begin(), paths.end());
    // Opening inserts the children right below, where the walk goes on into them.
    for (int row = 0; row < rowCount(); ++row)
        if (StateAt(row) == RowState::Closed && wanted.contains(PathOf(m_rows[static_cast<std::size_t>(row)])))
            Open(row);
}

QString SymbolListModel::NameText(const Row& row) const
{
    if (row.more > 0) return QStringLiteral("… %1 more").arg(row.more);
    if (row.depth == 0) return QString::fromStdString(m_table.at(row.symbolIndex).name);
    // Below its parent a row needs only its last step: "gain", "[3]".
    const std::string& path = row.typed->path;
    const std::size_t step = path.find_last_of(".[");
    return QString::fromStdString(path[step] == '.' ? path.substr(step + 1) : path.substr(step));
}

QVariant SymbolListModel::data(const QModelIndex& index, int role) const
{
    const Row* row = index.isValid() ? RowPtr(index.row()) : nullptr;
    if (!row) return {};
    if (role == kSymbolIndexRole) return row->symbolIndex;
    if (role == kDepthRole) return row->depth;
    if (role == kStateRole) return static_cast<int>(StateAt(index.row()));
    const monitor::SymbolEntry& entry = m_table.at(row->symbolIndex);
    const bool member = row->depth > 0;
    if (row->more > 0 && index.column() > 0) return {};
    if (role == Qt::DecorationRole && index.column() == 0 && row->more == 0)
        return listcells::IconForSize(member ? row->typed->sizeWords : entry.size);
    // A screen reader hears the whole path, as the watch list will name the row, and the
    // tool tip shows it whole where the cell cuts it.
    if ((role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) && index.column() == 0 && row->more == 0)
        return PathOf(*row);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (index.column()) {
    case 0:
        return NameText(*row);
    case 1:
        return listcells::AddressText(member ? row->typed->address : entry.address);
    case 2:
        return QString::number(member ? row->typed->sizeWords : entry.size);
    case 3:
        return row->typed ? QString::fromStdString(row->typed->typeText) : QString();
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
