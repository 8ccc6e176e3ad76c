#pragma once

#include "monitor/WatchList.h"

#include <QAbstractTableModel>

#include <vector>

// One of the two watch lists as a table: the symbol rows ("Symbol Name", "Address",
// "Monitor Value", "View Type", "Data Size") or the address rows ("Address",
// "Monitor Value", "View Type"). The rows live in the shared monitor::WatchList, which the
// worker writes from its thread; the model keeps a copy of them for painting, so that a
// repaint never waits on the worker's lock, and takes fresh copies when told what changed.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    WatchListModel(monitor::WatchList& watchList, monitor::WatchListId list,
                   QObject* parent = nullptr);

    monitor::WatchListId list() const { return m_list; }
    // The "Monitor Value" column; column 0 names the row (symbol name or address).
    int ValueColumn() const { return m_list == monitor::WatchListId::Symbols ? 2 : 1; }
    // The list's rows changed in number or order (added, removed, restored): copy all.
    void Reload();
    // The worker stored new texts in these rows (indices at the time of the store).
    void RefreshRows(const std::vector<int>& rows);
    const monitor::MonitorItem& RowAt(int row) const
    {
        return m_rows.at(static_cast<std::size_t>(row));
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class Cell { Name, Address, Value, ViewType, Size };
    Cell CellOf(int column) const;

    monitor::WatchList& m_watchList;
    monitor::WatchListId m_list;
    std::vector<monitor::MonitorItem> m_rows;
};
