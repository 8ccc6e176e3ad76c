#pragma once

#include "monitor/WatchList.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>

#include <cstdint>
#include <functional>
#include <vector>

// One of the two watch lists as a table: the symbol rows ("Symbol Name", "Address",
// "Monitor Value", "View Type", "Data Size", and the C "Type" the ELF gives) or the address
// rows ("Address", "Monitor Value", "View Type"). The rows live in the shared monitor::WatchList, which the
// worker writes from its thread; the model keeps a copy of them for painting, so that a
// repaint never waits on the worker's lock, and takes fresh copies when told what changed.
// A value not read since monitoring stopped or failed is drawn greyed ("stale"), with the
// time of its last read in its tooltip, so that a value on screen never looks live when
// it is not.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    WatchListModel(monitor::WatchList& watchList, monitor::WatchListId list,
                   QObject* parent = nullptr);

    // What the "Monitor Value" cell shows of a row; the value text as read when not set.
    using ValueTextFn = std::function<QString(const monitor::MonitorItem& row)>;
    // What the ELF says of a row: its C type, and for a bit field where its bits lie.
    struct TypeInfo {
        QString typeText;
        QString bits;
    };
    using TypeInfoFn = std::function<TypeInfo(const monitor::MonitorItem& row)>;

    // The symbol list's "Type" column.
    static constexpr int kTypeColumn = 5;

    monitor::WatchListId list() const { return m_list; }
    void SetValueText(ValueTextFn valueText) { m_valueText = std::move(valueText); }
    void SetTypeInfo(TypeInfoFn typeInfo) { m_typeInfo = std::move(typeInfo); }
    // The "Monitor Value" column; column 0 names the row (symbol name or address).
    int ValueColumn() const { return m_list == monitor::WatchListId::Symbols ? 2 : 1; }
    // The list's rows changed in number or order (added, removed, restored): copy all.
    void Reload();
    // The worker stored new texts in these rows (indices at the time of the store).
    void RefreshRows(const std::vector<int>& rows);
    // These rows (by id) were read by a cycle at `atMs` (milliseconds since the epoch).
    void MarkRead(const std::vector<std::uint64_t>& rowIds, qint64 atMs);
    // Monitoring stopped or failed: every value shown is stale until read again.
    void MarkStale();
    bool IsStale(int row) const;
    const monitor::MonitorItem& RowAt(int row) const
    {
        return m_rows.at(static_cast<std::size_t>(row));
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class Cell { Name, Address, Value, ViewType, Size, Type };
    Cell CellOf(int column) const;
    void EmitValueChanged(int row);

    monitor::WatchList& m_watchList;
    monitor::WatchListId m_list;
    std::vector<monitor::MonitorItem> m_rows;
    // Row id -> when a cycle last read it, in ms since the epoch: taking the time is cheap,
    // turning it into local time is not, so that waits for a tooltip.
    QHash<std::uint64_t, qint64> m_lastRead;
    QSet<std::uint64_t> m_fresh;            // rows read since monitoring last stopped
    ValueTextFn m_valueText;
    TypeInfoFn m_typeInfo;
};
