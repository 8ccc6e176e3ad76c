#pragma once

#include "monitor/ui/MonitorSettings.h"
#include "monitor/MonitorView.h"
#include "monitor/MonitorWorker.h"
#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"
#include "monitor/WatchList.h"
#include "ops/MonitorControl.h"

#include "ui/UiThreadQueue.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemModel;
class QMenu;
class QModelIndex;
class QPoint;
class QSettings;
class QSplitter;
class QTableView;
class MonitorListCommands;
class SymbolListModel;
class WatchListModel;

namespace pod {
class PodSession;
}
namespace ui {
class Announcer;
}
namespace Ui {
class CMonDlg;
}

// The modeless "Data Monitoring" window: the map's symbols, the symbol and address watch
// lists with their live values, and the controls of the monitoring worker. A thin view:
// the lists' commands live in MonitorListCommands, the rows in monitor::WatchList, the
// values come from monitor::MonitorWorker, which reports from its own thread; those
// reports are carried to the UI thread in order.
// Hiding the window (Esc) lets monitoring go on; EXIT and the close box stop it.
class CMonDlg : public QDialog, public ops::MonitorControl, private monitor::MonitorView {
    Q_OBJECT

public:
    // Opens the graph window for the selected symbol rows (texts left out), each with the
    // view type it shows. The application that owns both windows gives it (SetGraphOpener),
    // so that this window knows nothing of the graph.
    using GraphOpener =
        std::function<void(QWidget* parent, const std::vector<monitor::MonitorItem>& rows)>;
    using McuSource = std::function<int()>;
    using FileChooser = std::function<QString(QWidget* parent, const QString& initialFolder)>;
    using MessageShower = std::function<void(QWidget* parent, const QString& text)>;

    // `currentMcu` names the part whose RAM windows bound the map's symbols.
    CMonDlg(pod::PodSession& session, McuSource currentMcu, QWidget* parent = nullptr);
    // Ends the worker before the lists it reads go away.
    ~CMonDlg() override;

    // Start-up: the "Monitoring" settings, the stored map (silently skipped when it cannot
    // be read) and its watch lists.
    void Initialize(QSettings& settings);
    // End: the watch lists beside the map, then the layout and choices.
    void SaveState(QSettings& settings);

    // ops::MonitorControl, called by a programming run from its worker: stops monitoring
    // and returns once the worker has ended; freezes and releases the controls.
    void StopMonitoring() override;
    void EnableMonitorControls(bool enabled) override;

    // "Graph Monitoring" hands the selected symbol rows here, after monitoring stopped.
    void SetGraphOpener(GraphOpener openGraph) { m_openGraph = std::move(openGraph); }
    // Replaceable for tests: how a map file is chosen and how the failure box is shown.
    void SetFileChooser(FileChooser chooseFile) { m_chooseFile = std::move(chooseFile); }
    void SetMessageShower(MessageShower showMessage) { m_showMessage = std::move(showMessage); }

    bool IsMonitoring() const { return m_worker.IsRunning(); }
    monitor::WatchList& watchList() { return m_watchList; }
    const monitor::SymbolTable& symbols() const { return m_table; }
    const monitor::TypedSymbols& types() const { return m_types; }
    QString StatusText() const;
    // The map loaded last; empty before one.
    const QString& MapPath() const { return m_mapPath; }
    // The context menu of a list as a right click shows it, on a row or beside the rows.
    // The caller owns it.
    std::unique_ptr<QMenu> MakeContextMenu(QTableView* list, bool onRow);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // monitor::MonitorView, on the worker's thread.
    void ValuesChanged(monitor::WatchListId list, const std::vector<int>& rows) override;
    void StoppedByFailure(const std::string& reason) override;
    void CycleCompleted(std::uint32_t nowMs) override;
    void CycleFailed() override;

    void SetUpList(QTableView* list, QAbstractItemModel* model);
    void OnStart();
    void OnStop();
    void OnExit();
    void OnBrowse();
    void OnReload();
    void OnContextMenu(QTableView* list, const QPoint& pos);

    // Loads the map and its watch lists; false (and the failure box when `tellFailure`)
    // when the file cannot be read, which leaves everything as it was.
    bool OpenMap(const QString& path, bool tellFailure);
    void ReloadWatchModels();
    // After every change of a watch list, so that ending the process loses nothing.
    void SaveWatchLists();
    void MarkValuesStale();
    void StopAndJoinWorker();
    void ApplyControlStates();
    void ShowStatus(const QString& text, bool urgent = false);
    // The failure box, spoken first so that a screen reader need not find the box.
    void ShowFailure(const QString& text);
    void PublishVisibleRows(QTableView* list);
    WatchListModel* ModelOf(monitor::WatchListId list) const;
    void ApplySplitterPositions();
    void ReadSplitterPositions();
    // How the dividers share a larger window, and their names for assistive technology.
    void SetUpDividers();
    // Delete in a watch list, Enter in the path box, Ctrl+O, Ctrl+W and the Alt+arrows
    // that move the dividers.
    void SetUpKeys();
    // Moves a divider by `step` pixels and says where it now lies.
    void MoveDivider(QSplitter* splitter, int step);
    static constexpr int kDividerStep = 40;
    void ShrinkEmptyAddressList();

    template <typename Fn> void OnUiThread(Fn&& fn)
    {
        m_uiQueue->Post(std::function<void()>(std::forward<Fn>(fn)));
    }

    std::unique_ptr<Ui::CMonDlg> m_ui;
    pod::PodSession& m_session;
    McuSource m_currentMcu;
    GraphOpener m_openGraph;
    FileChooser m_chooseFile;
    MessageShower m_showMessage;
    MonitorSettings m_settings;
    QString m_mapPath; // the map last loaded successfully
    bool m_splittersPlaced = false;
    bool m_watchSaveHeld = true;     // no map with symbols: the saved lists stay untouched
    bool m_saveFailureShown = false; // the status tells that the lists could not be saved
    bool m_running = false;               // the controls' view of the monitoring state
    bool m_frozen = false;                // a programming run holds the controls
    std::atomic<bool> m_heldByRun{false}; // set at once from the run's thread
    std::atomic<bool> m_cycleNotePending{false}; // a CycleCompleted note waits on the UI thread
    monitor::SymbolTable m_table;
    monitor::TypedSymbols m_types; // the C types of the ELF beside the map, when there is one
    monitor::WatchList m_watchList;
    SymbolListModel* m_symbolModel = nullptr;
    WatchListModel* m_symbolWatchModel = nullptr;
    WatchListModel* m_addressWatchModel = nullptr;
    MonitorListCommands* m_commands = nullptr; // the lists' commands; a child
    ui::UiThreadQueue* m_uiQueue = new ui::UiThreadQueue(this); // a child: Qt deletes it
    ui::Announcer* m_announcer = nullptr;                       // a child as well
    monitor::MonitorWorker m_worker; // last: it reads the lists and reports to this window
};
