#pragma once

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"

#include <QAbstractTableModel>

#include <vector>

// The symbol list: every symbol of the loaded map in case-insensitive name order, with
// its word address, its size in words and its C type (empty without an ELF). Reads the table it is given; Refill() after
// the table has been loaded anew.
class SymbolListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The symbol's index in the table, for the rows of this model.
    static constexpr int kSymbolIndexRole = Qt::UserRole + 1;

    SymbolListModel(const monitor::SymbolTable& table, const monitor::TypedSymbols& types,
                    QObject* parent = nullptr);

    // Rebuilds the rows from the table.
    void Refill();
    int SymbolIndexAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const monitor::SymbolTable& m_table;
    const monitor::TypedSymbols& m_types;
    std::vector<monitor::SymbolEntry> m_rows;
    std::vector<int> m_indices;
};
