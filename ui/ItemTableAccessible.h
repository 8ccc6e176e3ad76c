#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPair>

class QHeaderView;
class QTableView;

namespace ui {

// A table view as assistive technology sees it: rows of cells under a header row, the
// same child numbering the view uses for its own focus and selection events. Unlike the
// table Qt gives every QTableView, it accepts the focus when a screen reader asks for it
// (on the table and on a cell), which a user who navigates by the screen reader needs to
// reach the live values at all.
class ItemTableAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ItemTableAccessible(QTableView* view);
    ~ItemTableAccessible() override;

    // Gives `view` this interface; call before anything asks for its accessible interface.
    static void Enable(QTableView* view);
    static QAccessibleInterface* Create(const QString& className, QObject* object);

    QTableView* View() const;

    // QAccessibleInterface
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* child(int index) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTableInterface; row -1 holds the column headers, column -1 the row
    // headers.
    QAccessibleInterface* cellAt(int row, int column) const override;
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    void ForgetCells();

    mutable QHash<QPair<int, int>, QAccessible::Id> m_cells; // (row, column) -> cell
};

} // namespace ui
