#include "monitor/ui/MonitorListCommands.h"

#include "monitor/ui/CWatchByName.h"

#include "monitor/ui/CAddAddress.h"
#include "monitor/ui/CChangeValue.h"
#include "monitor/ui/CChangeValueAddr.h"
#include "monitor/ui/ListCells.h"
#include "monitor/ui/SymbolListModel.h"
#include "monitor/ui/SymbolTreeDelegate.h"
#include "monitor/ui/WatchListModel.h"

#include <QAccessible>
#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QMouseEvent>
#include <QTableView>

#include <algorithm>
#include <cmath>

MonitorListCommands::MonitorListCommands(QWidget* window, const Lists& lists, const Data& data,
                                         Hooks hooks)
    : QObject(window), m_window(window), m_lists(lists), m_data(data), m_hooks(std::move(hooks))
{
    m_treeDelegate = new SymbolTreeDelegate(*m_lists.symbolModel, this);
    m_lists.symbols->setItemDelegateForColumn(0, m_treeDelegate);
    m_lists.symbolWatchModel->SetValueText(
        [this](const monitor::MonitorItem& row) { return ValueTextOf(row); });
    m_lists.symbolWatchModel->SetTypeInfo([this](const monitor::MonitorItem& row) {
        WatchListModel::TypeInfo info;
        if (const monitor::TypedRow* typed = TypedRowOf(row.name)) {
            info.typeText = QString::fromStdString(typed->typeText);
            if (typed->bits) info.bits = QString::fromStdString(monitor::BitFieldPlace(*typed));
        }
        return info;
    });
}

QTableView* MonitorListCommands::ViewOf(monitor::WatchListId list) const
{
    return list == monitor::WatchListId::Symbols ? m_lists.symbolWatch : m_lists.addressWatch;
}

WatchListModel* MonitorListCommands::ModelOf(monitor::WatchListId list) const
{
    return list == monitor::WatchListId::Symbols ? m_lists.symbolWatchModel
                                                 : m_lists.addressWatchModel;
}

std::vector<int> MonitorListCommands::SelectedRows(QTableView* list) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

const monitor::TypedRow* MonitorListCommands::TypedRowOf(const std::string& name) const
{
    if (m_data.types.typedCount() == 0) return nullptr;
    auto found = m_typedRows.find(name);
    if (found == m_typedRows.end()) {
        std::string error;
        found = m_typedRows.emplace(name, m_data.types.Resolve(m_data.table, name, error)).first;
    }
    return found->second ? &*found->second : nullptr;
}

QString MonitorListCommands::ValueTextOf(const monitor::MonitorItem& row) const
{
    const QString plain = QString::fromStdString(row.valueText);
    // Bit fields and enums are integer views, whose number is the word read.
    if (row.valueText.empty() || !row.plotValue || std::fabs(*row.plotValue) > 4294967295.0)
        return plain;
    const auto raw = static_cast<std::uint32_t>(static_cast<std::int64_t>(*row.plotValue));
    return QString::fromStdString(
        m_data.types.ShownText(TypedRowOf(row.name), row.viewType, raw, row.valueText));
}

// ---- keyboard and mouse --------------------------------------------------------------

bool MonitorListCommands::SelectCurrentRow(QTableView* list)
{
    QItemSelectionModel* selection = list->selectionModel();
    if (selection->hasSelection()) return true;
    // The commands work on the selection; a row reached by a screen reader's focus is
    // current without being selected. Rows a screen reader selected stay as they are.
    const QModelIndex current = list->currentIndex();
    if (!current.isValid()) return false;
    selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

void MonitorListCommands::OpenMenuAtCurrentRow(QTableView* list)
{
    if (!list->isEnabled()) return;
    const bool onRow = SelectCurrentRow(list);
    const QPoint pos = onRow ? list->visualRect(list->currentIndex()).center() : QPoint(4, 4);
    std::unique_ptr<QMenu> menu = MakeContextMenu(list, onRow);
    menu->exec(list->viewport()->mapToGlobal(pos));
}

bool MonitorListCommands::HandleKey(QTableView* list, const QKeyEvent& key)
{
    const bool plain = key.modifiers() == Qt::NoModifier || key.modifiers() == Qt::KeypadModifier;
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && plain) {
        if (SelectCurrentRow(list)) Activate(list, list->currentIndex());
        return true;
    }
    if (key.key() == Qt::Key_Menu ||
        (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier)) {
        OpenMenuAtCurrentRow(list);
        return true;
    }
    // Type-ahead searches the column the current cell is in: keep that the name column, so
    // that letters find a name wherever the row was clicked.
    const QString text = key.text();
    if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
        (key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
        const QModelIndex current = list->currentIndex();
        if (current.isValid() && current.column() != 0)
            list->selectionModel()->setCurrentIndex(current.siblingAtColumn(0), QItemSelectionModel::NoUpdate);
        return false;
    }
    if (list != m_lists.symbols || !plain ||
        (key.key() != Qt::Key_Right && key.key() != Qt::Key_Left))
        return false;
    // As in a tree: Right opens the current row, Left closes it or goes up to its parent.
    const int row = list->currentIndex().row();
    const SymbolListModel::RowState state = m_lists.symbolModel->StateAt(row);
    if (key.key() == Qt::Key_Right && state == SymbolListModel::RowState::Closed) {
        SetRowOpen(row, true);
        return true;
    }
    if (key.key() == Qt::Key_Left && state == SymbolListModel::RowState::Open) {
        SetRowOpen(row, false);
        return true;
    }
    const int parent = m_lists.symbolModel->ParentRow(row);
    if (key.key() == Qt::Key_Left && parent >= 0) {
        list->setCurrentIndex(m_lists.symbolModel->index(parent, 0));
        return true;
    }
    return false;
}

bool MonitorListCommands::HandleSymbolPress(const QMouseEvent& press)
{
    const QPoint pos = press.position().toPoint();
    const QModelIndex index = m_lists.symbols->indexAt(pos);
    if (!index.isValid() || index.column() != 0) return false;
    const int markEnd = m_treeDelegate->MarkEnd(index);
    const SymbolListModel::RowState state = m_lists.symbolModel->StateAt(index.row());
    if (state == SymbolListModel::RowState::Leaf ||
        pos.x() >= m_lists.symbols->visualRect(index).left() + markEnd)
        return false;
    // A double click on the mark is two presses on it, not a Watch Symbol.
    if (press.type() == QEvent::MouseButtonDblClick) return true;
    SetRowOpen(index.row(), state != SymbolListModel::RowState::Open);
    return true;
}

// ---- menus ---------------------------------------------------------------------------

void MonitorListCommands::Activate(QTableView* list, const QModelIndex& index)
{
    if (!index.isValid()) return;
    const SymbolListModel& symbols = *m_lists.symbolModel;
    if (list == m_lists.symbols && symbols.IsMemberRow(index.row()) && !symbols.TypedAt(index.row())) {
        // The row that counts the elements left out: any of them, by its index.
        if (const monitor::TypedRow* array = symbols.TypedAt(symbols.ParentRow(index.row())))
            WatchByName(QString::fromStdString(array->path) + QLatin1Char('['));
    } else if (list == m_lists.symbols)
        WatchSelectedSymbols();
    else if (list == m_lists.symbolWatch)
        ChangeSymbolValue();
    else
        ChangeAddressValue();
}

void MonitorListCommands::WatchByName(const QString& start)
{
    if (m_data.table.count() == 0) return;
    CWatchByName dialog({[this](const QString& typed) { return NameCompletions(typed); },
                         [this](const std::string& path) { return AddWatchByName(path); }},
                        start, m_window);
    dialog.exec();
}

QStringList MonitorListCommands::NameCompletions(const QString& typed) const
{
    QStringList names;
    const int step = static_cast<int>(typed.lastIndexOf(QRegularExpression(QStringLiteral("[.\\[]"))));
    if (step < 0) {
        for (const monitor::SymbolEntry& entry : m_data.table.entries())
            names << QString::fromStdString(entry.name);
        return names;
    }
    std::string error;
    const auto parent = m_data.types.Resolve(m_data.table, typed.left(step).toStdString(), error);
    if (!parent) return names;
    for (const monitor::TypedRow& child : m_data.types.Children(*parent).rows)
        names << QString::fromStdString(child.path);
    return names;
}

std::string MonitorListCommands::AddWatchByName(const std::string& path)
{
    std::string error;
    const auto row = m_data.types.Resolve(m_data.table, path, error);
    if (!row) return error;
    const bool symbol = m_data.table.at(row->symbolIndex).name == row->path;
    if (symbol)
        m_data.watchList.AddSymbolWatch(m_data.table, row->symbolIndex);
    else
        m_data.watchList.AddMemberWatch(*row, row->viewType);
    m_lists.symbolWatchModel->Reload();
    m_hooks.listsChanged();
    m_hooks.announce(QString::fromStdString(path) + QStringLiteral(" added to the watch list"));
    return {};
}

void MonitorListCommands::AddSymbolMenu(QMenu& menu, bool onRow)
{
    menu.addAction(QStringLiteral("Watch Symbol"), this,
                   &MonitorListCommands::WatchSelectedSymbols);
    QAction* byName = menu.addAction(QStringLiteral("Watch by Name..."), this, [this] { WatchByName(); });
    byName->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    if (!onRow) return;
    const SymbolListModel::RowState state =
        m_lists.symbolModel->StateAt(m_lists.symbols->currentIndex().row());
    if (state == SymbolListModel::RowState::Closed)
        menu.addAction(QStringLiteral("Expand"), this, [this] { ToggleCurrentSymbol(true); });
    if (state == SymbolListModel::RowState::Open)
        menu.addAction(QStringLiteral("Collapse"), this, [this] { ToggleCurrentSymbol(false); });
}

void MonitorListCommands::ToggleCurrentSymbol(bool open)
{
    SetRowOpen(m_lists.symbols->currentIndex().row(), open);
}

void MonitorListCommands::SetRowOpen(int row, bool open)
{
    if (open)
        m_lists.symbolModel->Open(row);
    else
        m_lists.symbolModel->Close(row);
    // A screen reader on the row hears it open or close, as in a tree.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(m_lists.symbols);
    if (table == nullptr || table->tableInterface() == nullptr) return;
    if (QAccessibleInterface* cell = table->tableInterface()->cellAt(row, 0)) {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent event(cell, changed);
        QAccessible::updateAccessibility(&event);
    }
}

std::unique_ptr<QMenu> MonitorListCommands::MakeContextMenu(QTableView* list, bool onRow)
{
    auto menu = std::make_unique<QMenu>(m_window);
    if (list == m_lists.symbols) {
        AddSymbolMenu(*menu, onRow);
        return menu;
    }
    const bool symbols = list == m_lists.symbolWatch;
    const monitor::WatchListId id =
        symbols ? monitor::WatchListId::Symbols : monitor::WatchListId::Addresses;
    if (!symbols)
        menu->addAction(QStringLiteral("Add Address"), this, &MonitorListCommands::AddAddressRows);
    QAction* change = menu->addAction(QStringLiteral("Change Value"), this,
                                      symbols ? &MonitorListCommands::ChangeSymbolValue
                                              : &MonitorListCommands::ChangeAddressValue);
    QAction* remove = menu->addAction(symbols ? QStringLiteral("Delete Symbol")
                                              : QStringLiteral("Delete Address"),
                                      this, [this, id] { DeleteSelected(id); });
    remove->setShortcut(QKeySequence::Delete);
    menu->addAction(symbols ? QStringLiteral("Delete All Symbol")
                            : QStringLiteral("Delete All Address"),
                    this, [this, id] { DeleteAll(id); });
    QMenu* types = menu->addMenu(QStringLiteral("Change View Type"));
    for (int type = 0; type < monitor::kViewTypeCount; ++type) {
        const auto viewType = static_cast<monitor::ViewType>(type);
        // An address row has no size to read a text with.
        if (!symbols && viewType == monitor::ASCII) continue;
        QAction* item =
            types->addAction(QString::fromLatin1(monitor::ViewTypeMenuLabel(viewType)), this,
                             [this, id, viewType] { SetViewTypeOfSelected(id, viewType); });
        // ASCII on the symbol list stays offered beside the rows, as it always has.
        item->setEnabled(onRow || viewType == monitor::ASCII);
    }
    change->setEnabled(onRow);
    remove->setEnabled(onRow);
    if (!symbols && onRow) {
        // An address row has no size to write a text with.
        const std::vector<int> rows = SelectedRows(list);
        if (!rows.empty() &&
            m_lists.addressWatchModel->RowAt(rows.front()).viewType == monitor::ASCII)
            change->setEnabled(false);
    }
    return menu;
}

// ---- commands ------------------------------------------------------------------------

void MonitorListCommands::WatchSelectedSymbols()
{
    QStringList added;
    for (int row : SelectedRows(m_lists.symbols)) {
        const monitor::TypedRow* typed = m_lists.symbolModel->TypedAt(row);
        const int symbol = m_lists.symbolModel->SymbolIndexAt(row);
        if (!m_lists.symbolModel->IsMemberRow(row) && m_data.watchList.AddSymbolWatch(m_data.table, symbol))
            added << QString::fromStdString(m_data.table.at(symbol).name);
        else if (typed && m_data.watchList.AddMemberWatch(*typed, typed->viewType)) // not the "… more" row
            added << QString::fromStdString(typed->path);
    }
    m_lists.symbolWatchModel->Reload();
    m_hooks.listsChanged();
    // The focus stays in the symbol list: what the watch list gained is said.
    if (added.size() == 1)
        m_hooks.announce(added.front() + QStringLiteral(" added to the watch list"));
    else if (added.size() > 1)
        m_hooks.announce(QStringLiteral("%1 symbols added to the watch list").arg(added.size()));
}

void MonitorListCommands::DeleteSelected(monitor::WatchListId list)
{
    m_data.watchList.RemoveRows(list, SelectedRows(ViewOf(list)));
    ModelOf(list)->Reload();
    m_hooks.listsChanged();
}

void MonitorListCommands::DeleteAll(monitor::WatchListId list)
{
    m_data.watchList.Clear(list);
    ModelOf(list)->Reload();
    m_hooks.listsChanged();
}

void MonitorListCommands::SetViewTypeOfSelected(monitor::WatchListId list,
                                                monitor::ViewType viewType)
{
    const std::vector<int> rows = SelectedRows(ViewOf(list));
    for (int row : rows) {
        // A member row's type is its own: its symbol keeps the type of the whole.
        const monitor::MonitorItem& item = ModelOf(list)->RowAt(row);
        const bool symbolRow = list == monitor::WatchListId::Symbols && item.symbolIndex >= 0 &&
                               item.symbolIndex < m_data.table.count() &&
                               m_data.table.at(item.symbolIndex).name == item.name;
        m_data.watchList.SetViewType(list, row, viewType, symbolRow ? &m_data.table : nullptr);
    }
    ModelOf(list)->RefreshRows(rows);
    m_hooks.listsChanged();
}

void MonitorListCommands::ChangeSymbolValue()
{
    const std::vector<int> rows = SelectedRows(m_lists.symbolWatch);
    if (rows.empty()) return;
    const monitor::MonitorItem row = m_lists.symbolWatchModel->RowAt(rows.front());
    const monitor::WriteTarget target{row.name, row.address, row.viewType, row.size,
                                      TypedRowOf(row.name)};
    CChangeValue dialog({QString::fromStdString(row.name), ValueTextOf(row),
                         QString::fromLatin1(monitor::ViewTypeName(row.viewType)),
                         QString::number(row.size), monitor::TextSpanOf(target), target},
                        m_data.worker.IsRunning(), m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    PostWrite(monitor::PrepareWrite(target, dialog.result().toStdString()));
}

void MonitorListCommands::PostWrite(monitor::WritePlan plan)
{
    // The dialog refuses a number that does not convert; a text with a character that
    // has no Latin-1 byte is refused here, never sent with a stand-in for it.
    if (!plan.request) {
        m_hooks.showFailure(QString::fromStdString(plan.refusal));
        return;
    }
    m_data.worker.PostWrite(std::move(*plan.request));
}

void MonitorListCommands::ChangeAddressValue()
{
    const std::vector<int> rows = SelectedRows(m_lists.addressWatch);
    if (rows.empty()) return;
    const monitor::MonitorItem row = m_lists.addressWatchModel->RowAt(rows.front());
    if (row.viewType == monitor::ASCII) return; // no size to write a text with
    CChangeValueAddr dialog({listcells::AddressText(row.address),
                             QString::fromStdString(row.valueText),
                             QString::fromLatin1(monitor::ViewTypeName(row.viewType))},
                            m_data.worker.IsRunning(), m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    PostWrite(monitor::PrepareWrite({listcells::AddressText(row.address).toStdString(), row.address,
                                     row.viewType, 0, nullptr},
                                    dialog.result().toStdString()));
}

void MonitorListCommands::AddAddressRows()
{
    CAddAddress dialog(m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    m_data.watchList.AddAddressRun(dialog.startAddress(), dialog.length(), dialog.viewType());
    if (dialog.length() > monitor::WatchList::kMaxRunRows)
        m_hooks.showStatus(QStringLiteral("One Add Address adds at most %1 rows.")
                               .arg(monitor::WatchList::kMaxRunRows),
                           false);
    m_lists.addressWatchModel->Reload();
    m_hooks.listsChanged();
}

void MonitorListCommands::Graph()
{
    const std::vector<int> rows = SelectedRows(m_lists.symbolWatch);
    if (rows.empty()) {
        m_hooks.showStatus(
            QStringLiteral("Select the rows to plot in the symbol watch list (top right)."), false);
        return;
    }
    std::vector<monitor::MonitorItem> plotted;
    for (int index : rows) {
        const monitor::MonitorItem& row = m_lists.symbolWatchModel->RowAt(index);
        if (row.viewType != monitor::ASCII) plotted.push_back(row);
    }
    if (plotted.empty()) {
        m_hooks.showStatus(QStringLiteral("A text has no value to plot: select rows with numbers."),
                           false);
        return;
    }
    m_hooks.openGraph(plotted);
}
