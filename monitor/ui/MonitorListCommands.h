#pragma once

#include "monitor/WritePolicy.h"

#include "monitor/MonitorWorker.h"
#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/WatchList.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QKeyEvent;
class QMenu;
class QModelIndex;
class QMouseEvent;
class QTableView;
class QWidget;
class SymbolListModel;
class SymbolTreeDelegate;
class WatchListModel;

// The commands of the monitoring window's three lists: Watch Symbol and opening the
// symbol tree, Delete, Delete All, Change View Type, Change Value, Add Address and Graph
// Monitoring, reached by the context menu, a double-click, Enter or assistive technology.
// They change the shared watch list and tell the window through its hooks; the window
// keeps the map, the worker's life and the status line.
class MonitorListCommands : public QObject {
    Q_OBJECT

public:
    struct Lists {
        QTableView* symbols = nullptr;
        QTableView* symbolWatch = nullptr;
        QTableView* addressWatch = nullptr;
        SymbolListModel* symbolModel = nullptr;
        WatchListModel* symbolWatchModel = nullptr;
        WatchListModel* addressWatchModel = nullptr;
    };
    struct Hooks {
        std::function<void()> listsChanged; // a watch list gained or lost rows or changed a type
        std::function<void(const QString& text, bool urgent)> showStatus;
        std::function<void(const QString& text)> showFailure;
        // Stops monitoring and opens the graph window on these rows, each with the view
        // type it shows.
        std::function<void(const std::vector<monitor::MonitorItem>& rows)> openGraph;
        // Said to assistive technology: what a command did that the focus does not show.
        std::function<void(const QString& text)> announce;
    };
    struct Data {
        monitor::WatchList& watchList;
        monitor::SymbolTable& table;
        const monitor::TypedSymbols& types;
        monitor::MonitorWorker& worker;
    };

    MonitorListCommands(QWidget* window, const Lists& lists, const Data& data, Hooks hooks);

    // The context menu of a list as a right click shows it, on a row or beside the rows.
    std::unique_ptr<QMenu> MakeContextMenu(QTableView* list, bool onRow);
    // The double-click command of a list, also Enter's.
    void Activate(QTableView* list, const QModelIndex& index);
    // Enter, the Menu key, Shift+F10, and the arrows that open and close the symbol
    // tree; true when the key was taken.
    bool HandleKey(QTableView* list, const QKeyEvent& key);
    // A press on a branch mark of the symbol list opens or closes its row.
    bool HandleSymbolPress(const QMouseEvent& press);
    void OpenMenuAtCurrentRow(QTableView* list);
    // Selects the current row when no row is selected; false when there is neither.
    bool SelectCurrentRow(QTableView* list);
    // The map or its types were loaded anew: the rows' types are looked up again.
    void ForgetTypes() { m_typedRows.clear(); }
    // The value text of a symbol watch row: a bit field's own bits, an enum's name.
    QString ValueTextOf(const monitor::MonitorItem& row) const;

    void WatchSelectedSymbols();
    // "Watch by Name": a symbol, member or element by its path, `start` typed already.
    void WatchByName(const QString& start = {});
    void ToggleCurrentSymbol(bool open);
    void ChangeSymbolValue();
    void ChangeAddressValue();
    void AddAddressRows();
    void DeleteSelected(monitor::WatchListId list);
    void DeleteAll(monitor::WatchListId list);
    void SetViewTypeOfSelected(monitor::WatchListId list, monitor::ViewType viewType);
    void Graph();

private:
    QTableView* ViewOf(monitor::WatchListId list) const;
    WatchListModel* ModelOf(monitor::WatchListId list) const;
    std::vector<int> SelectedRows(QTableView* list) const;
    // The ELF's row of a symbol watch row, by its name; null when it has none.
    const monitor::TypedRow* TypedRowOf(const std::string& name) const;
    void AddSymbolMenu(QMenu& menu, bool onRow);
    // Opens or closes a symbol list row and tells assistive technology.
    void SetRowOpen(int row, bool open);
    // The paths that can follow `typed`: symbol names, or the members or elements of the
    // path before its last "." or "[".
    QStringList NameCompletions(const QString& typed) const;
    // Adds the path's row to the symbol watch list; the reason when it names nothing.
    std::string AddWatchByName(const std::string& path);
    // Hands a prepared write to the monitoring worker, or shows why it was refused.
    void PostWrite(monitor::WritePlan plan);

    QWidget* m_window;
    Lists m_lists;
    Data m_data;
    Hooks m_hooks;
    SymbolTreeDelegate* m_treeDelegate = nullptr;
    mutable std::unordered_map<std::string, std::optional<monitor::TypedRow>> m_typedRows;
};
