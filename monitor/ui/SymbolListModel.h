#pragma once

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"

#include "ui/ItemRoles.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <optional>
#include <vector>

// The symbol list: every symbol of the loaded map in case-insensitive name order, with
// its word address, its size in words and its C type (empty without an ELF). With the
// ELF's types a struct, union or array row opens to its members, elements or bit fields,
// shown below it one level deeper; they are made only when the row is opened, so a map
// with large arrays costs nothing until one is looked into. Kept a table (the open rows
// flattened in place) so that the list keeps the accessible rows and row commands of the
// watch lists. Reads the table it is given; Refill() after the table has been loaded anew.
class SymbolListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The symbol's index in the table, for the rows of this model.
    static constexpr int kSymbolIndexRole = Qt::UserRole + 1;
    // How deep a row lies below its symbol (0 for the symbol's own row).
    static constexpr int kDepthRole = Qt::UserRole + 2;
    // A RowState, as an int; assistive technology hears it as expandable, expanded.
    static constexpr int kStateRole = ui::kExpandStateRole;

    enum class RowState { Leaf, Closed, Open }; // the numbers kExpandStateRole gives

    SymbolListModel(const monitor::SymbolTable& table, const monitor::TypedSymbols& types,
                    QObject* parent = nullptr);

    // Rebuilds the rows from the table, every row closed.
    void Refill();
    int SymbolIndexAt(int row) const;
    // The typed row behind a list row; null for a symbol the ELF did not type and for the
    // row that counts the elements left out.
    const monitor::TypedRow* TypedAt(int row) const;
    // A member, element or bit field rather than a symbol's own row.
    bool IsMemberRow(int row) const;
    RowState StateAt(int row) const;
    // Whether any row can open: the delegate then leaves room for the open marks.
    bool HasTree() const { return m_types.typedCount() > 0; }
    // Opening lists the children below the row; closing takes them (and theirs) away.
    void Open(int row);
    void Close(int row);
    // The path names of the open rows ("motor", "motor.inner"), and opening those of them
    // that the rows hold again, so that a map loaded anew keeps what was open.
    QStringList OpenPaths() const;
    void ReopenPaths(const QStringList& paths);
    // The row this one lies in, or -1 for a symbol's own row.
    int ParentRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        int symbolIndex = -1;
        std::optional<monitor::TypedRow> typed;
        int depth = 0;
        bool open = false;
        std::uint32_t more = 0; // the row that counts the elements left out
    };
    const Row* RowPtr(int row) const;
    QString PathOf(const Row& row) const;
    QString NameText(const Row& row) const;

    const monitor::SymbolTable& m_table;
    const monitor::TypedSymbols& m_types;
    std::vector<Row> m_rows;
};
