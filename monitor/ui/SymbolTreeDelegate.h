#pragma once

#include <QStyledItemDelegate>

class SymbolListModel;

// Draws the symbol list's name column as a tree: each row indented by its depth, and a
// struct, union or array row led by the style's open or closed branch mark. Without the
// ELF's types no row can open and the column is drawn as any other.
class SymbolTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    SymbolTreeDelegate(const SymbolListModel& model, QObject* parent = nullptr);

    // Where the branch mark of a row in column 0 ends, from the cell's left edge; a press
    // left of it opens or closes the row. 0 when the list has no tree.
    int MarkEnd(const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const SymbolListModel& m_model;
};
