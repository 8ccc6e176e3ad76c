#include "monitor/ui/CMonDlg.h"

#include "monitor/ui/MonitorListCommands.h"
#include "monitor/ui/SymbolListModel.h"
#include "monitor/ui/WatchListModel.h"
#include "monitor/ui/WatchListView.h"
#include "monitor/ElfTypes.h"
#include "monitor/MapFileReader.h"
#include "monitor/WatchListFile.h"
#include "pod/PodSession.h"
#include "ui/Announcer.h"
#include "ui/ItemTableAccessible.h"
#include "ui/ReadOnlyFieldAccessible.h"
#include "ui/RowCommands.h"
#include "ui_CMonDlg.h"

#include <QAccessible>
#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QDateTime>
#include <QStringList>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSizeGrip>

#include <algorithm>
#include <iterator>

namespace {

const char* const kMapLoadFailed = "파일 정보를 읽어오는데 실패하였습니다.";
const char* const kMonitoringStarted = "Monitoring started";
const char* const kMonitoringStopped = "Monitoring stopped";
const char* const kMonitoringLost = "Monitoring stopped: the POD does not answer";
const char* const kMonitoringNotStarted = "Monitoring did not start: the POD does not answer";

template <std::size_t N> void ApplyWidths(QTableView* list, const std::array<int, N>& widths)
{
    for (std::size_t i = 0; i < N; ++i)
        list->horizontalHeader()->resizeSection(static_cast<int>(i), widths[i]);
}

template <std::size_t N> void ReadWidths(const QTableView* list, std::array<int, N>& widths)
{
    for (std::size_t i = 0; i < N; ++i)
        widths[i] = list->horizontalHeader()->sectionSize(static_cast<int>(i));
}

} // namespace

CMonDlg::CMonDlg(pod::PodSession& session, McuSource currentMcu, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMonDlg>()), m_session(session),
      m_currentMcu(std::move(currentMcu)),
      m_chooseFile([](QWidget* owner, const QString& initialFolder) {
          return QFileDialog::getOpenFileName(owner, QString(), initialFolder,
                                              QStringLiteral("MAP Files (.xMAP) (*.xMAP)"), nullptr,
                                              QFileDialog::HideNameFilterDetails);
      }),
      m_showMessage([](QWidget* owner, const QString& text) {
          QMessageBox::warning(owner, QStringLiteral("Data Monitoring"), text);
      }),
      m_worker(session, m_watchList, *this)
{
    ui::ReadOnlyFieldAccessible::Install(); // the reference fields of the value dialogs
    m_ui->setupUi(this);
    m_announcer = new ui::Announcer(this);
    // A window of its own beside the programmer window, resizable, never smaller than
    // the three control rows and the lists need.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMinimumSize(840, 640);
    resize(840, 640);

    m_symbolModel = new SymbolListModel(m_table, m_types, this);
    m_symbolWatchModel = new WatchListModel(m_watchList, monitor::WatchListId::Symbols, this);
    m_addressWatchModel = new WatchListModel(m_watchList, monitor::WatchListId::Addresses, this);
    m_commands = new MonitorListCommands(
        this,
        {m_ui->listLeft, m_ui->listTRight, m_ui->listBRight, m_symbolModel, m_symbolWatchModel,
         m_addressWatchModel},
        {m_watchList, m_table, m_types, m_worker},
        {[this] { SaveWatchLists(); },
         [this](const QString& text, bool urgent) { ShowStatus(text, urgent); },
         [this](const QString& text) { ShowFailure(text); },
         [this](const std::vector<monitor::MonitorItem>& rows) {
             // The graph window has the POD to itself; monitoring is not restarted afterwards.
             StopAndJoinWorker();
             if (m_openGraph) m_openGraph(this, rows);
         },
         [this](const QString& text) { m_announcer->Announce(text); }});
    SetUpList(m_ui->listLeft, m_symbolModel);
    SetUpList(m_ui->listTRight, m_symbolWatchModel);
    SetUpList(m_ui->listBRight, m_addressWatchModel);
    SetUpDividers();

    for (const char* baud : monitor::kMonitorBaudTexts)
        m_ui->baudCombo->addItem(QString::fromLatin1(baud));
    for (const monitor::IntervalChoice& interval : monitor::kIntervalChoices)
        m_ui->intervalCombo->addItem(QString::fromLatin1(interval.text));
    m_ui->graphButton->setAccessibleDescription(
        QStringLiteral("Plots the symbols selected in the symbol watch list"));

    connect(m_ui->startButton, &QPushButton::clicked, this, &CMonDlg::OnStart);
    connect(m_ui->stopButton, &QPushButton::clicked, this, &CMonDlg::OnStop);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CMonDlg::OnExit);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CMonDlg::OnBrowse);
    connect(m_ui->reloadButton, &QPushButton::clicked, this, &CMonDlg::OnReload);
    SetUpKeys();
    connect(m_ui->graphButton, &QPushButton::clicked, m_commands, &MonitorListCommands::Graph);
    connect(m_ui->intervalCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        m_settings.selectInterval = index;
        m_worker.SetIntervalMs(monitor::kIntervalChoices[index].ms);
    });
    connect(m_ui->baudCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) m_settings.selectBps = index;
    });
    ApplyControlStates();
}

void CMonDlg::SetUpDividers()
{
    // A larger window gives every pane more room: the symbol list a third of the width it
    // gains, the symbol watch list three quarters of the height.
    m_ui->vSplitter->setStretchFactor(0, 1);
    m_ui->vSplitter->setStretchFactor(1, 2);
    m_ui->hSplitter->setStretchFactor(0, 3);
    m_ui->hSplitter->setStretchFactor(1, 1);
    m_ui->vSplitter->handle(1)->setAccessibleName(
        QStringLiteral("Divider between the symbol list and the watch lists"));
    if (auto* grip = findChild<QSizeGrip*>())
        grip->setAccessibleName(QStringLiteral("Window size grip"));
    m_ui->hSplitter->handle(1)->setAccessibleName(
        QStringLiteral("Divider between the symbol watch list and the address watch list"));
}

void CMonDlg::SetUpKeys()
{
    // Delete works on the focused watch list only, so it never removes rows of the other.
    const std::pair<QTableView*, monitor::WatchListId> watchViews[] = {
        {m_ui->listTRight, monitor::WatchListId::Symbols},
        {m_ui->listBRight, monitor::WatchListId::Addresses}};
    for (const auto& [view, list] : watchViews) {
        auto* remove = new QAction(list == monitor::WatchListId::Symbols
                                       ? QStringLiteral("Delete Symbol")
                                       : QStringLiteral("Delete Address"),
                                   view);
        remove->setShortcut(QKeySequence::Delete);
        remove->setShortcutContext(Qt::WidgetShortcut);
        connect(remove, &QAction::triggered, m_commands, [this, l = list] { m_commands->DeleteSelected(l); });
        view->addAction(remove);
    }

    // Enter in the path box loads the map typed there (START is the default button).
    m_ui->mapPathEdit->installEventFilter(this);
    const auto bind = [this](const QKeySequence& keys, auto&& action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    bind(QKeySequence::Open, [this] { OnBrowse(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_W), [this] { m_commands->WatchByName(); });
    // The dividers move by keyboard too.
    bind(QKeySequence(Qt::ALT | Qt::Key_Left), [this] { MoveDivider(m_ui->vSplitter, -kDividerStep); });
    bind(QKeySequence(Qt::ALT | Qt::Key_Right), [this] { MoveDivider(m_ui->vSplitter, kDividerStep); });
    bind(QKeySequence(Qt::ALT | Qt::Key_Up), [this] { MoveDivider(m_ui->hSplitter, -kDividerStep); });
    bind(QKeySequence(Qt::ALT | Qt::Key_Down), [this] { MoveDivider(m_ui->hSplitter, kDividerStep); });
}

void CMonDlg::MoveDivider(QSplitter* splitter, int step)
{
    QList<int> sizes = splitter->sizes();
    if (sizes.size() != 2) return;
    const int total = sizes[0] + sizes[1];
    sizes[0] = std::clamp(sizes[0] + step, 0, total);
    sizes[1] = total - sizes[0];
    splitter->setSizes(sizes);
    m_announcer->Announce(QStringLiteral("%1 percent").arg(total ? 100 * sizes[0] / total : 0));
}

CMonDlg::~CMonDlg()
{
    m_worker.StopAndJoin();
}

void CMonDlg::SetUpList(QTableView* list, QAbstractItemModel* model)
{
    list->setModel(model);
    // Tab leaves the list; the arrows move inside it. A screen reader may put the focus
    // on the list or on one of its cells.
    list->setTabKeyNavigation(false);
    ui::ItemTableAccessible::Enable(list);
    if (auto* watch = qobject_cast<WatchListView*>(list)) watch->SetAnnouncer(m_announcer);
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    // "pcm_pOwnRecBuffer" and "pcm_pOwnRecLength" stay told apart when cut.
    list->setTextElideMode(Qt::ElideMiddle);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setStretchLastSection(false);
    list->setIconSize(QSize(16, 16));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& pos) { OnContextMenu(list, pos); });
    connect(list, &QAbstractItemView::doubleClicked, this,
            [this, list](const QModelIndex& index) { m_commands->Activate(list, index); });
    // The worker reads only what is on screen: tell it after every scroll, resize and
    // change of the rows.
    list->viewport()->installEventFilter(this);
    // Enter, the Menu key and Shift+F10 reach the list's commands without a mouse;
    // assistive technology gets them as the list's actions.
    list->installEventFilter(this);
    ui::RowCommands::Attach(
        list, [this, list] { return MakeContextMenu(list, m_commands->SelectCurrentRow(list)); },
        [this, list] { m_commands->OpenMenuAtCurrentRow(list); });
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this, list] { PublishVisibleRows(list); });
    connect(model, &QAbstractItemModel::modelReset, this,
            [this, list] { PublishVisibleRows(list); });
}

void CMonDlg::Initialize(QSettings& settings)
{
    m_settings = MonitorSettings::Load(settings);
    ApplyWidths(m_ui->listLeft, m_settings.leftColumnWidths);
    ApplyWidths(m_ui->listTRight, m_settings.tRightColumnWidths);
    ApplyWidths(m_ui->listBRight, m_settings.bRightColumnWidths);
    m_ui->listTRight->setColumnHidden(WatchListModel::kTypeColumn, !m_settings.showTypeColumn);
    const int bps = m_settings.selectBps;
    const int interval = m_settings.selectInterval;
    m_ui->baudCombo->setCurrentIndex(bps);
    m_ui->intervalCombo->setCurrentIndex(interval);
    m_worker.SetIntervalMs(monitor::kIntervalChoices[interval].ms);
    m_mapPath = m_settings.mapFilePath;
    m_ui->mapPathEdit->setText(m_mapPath);
    // A stored map that is gone is no news at start: the lists simply start empty, and
    // its saved watch lists stay for when it is back.
    if (m_mapPath.isEmpty() || !OpenMap(m_mapPath, false)) m_watchSaveHeld = true;
    ApplyControlStates();
}

void CMonDlg::SaveState(QSettings& settings)
{
    m_worker.StopAndJoin();
    SaveWatchLists();
    ReadWidths(m_ui->listLeft, m_settings.leftColumnWidths);
    // A hidden column measures 0: it keeps the width it had when shown.
    const int typeWidth = m_settings.tRightColumnWidths[WatchListModel::kTypeColumn];
    m_settings.showTypeColumn = !m_ui->listTRight->isColumnHidden(WatchListModel::kTypeColumn);
    ReadWidths(m_ui->listTRight, m_settings.tRightColumnWidths);
    if (!m_settings.showTypeColumn) m_settings.tRightColumnWidths[WatchListModel::kTypeColumn] = typeWidth;
    ReadWidths(m_ui->listBRight, m_settings.bRightColumnWidths);
    if (m_splittersPlaced) ReadSplitterPositions();
    m_settings.mapFilePath = m_mapPath;
    m_settings.Save(settings);
}

// ---- threads -----------------------------------------------------------------------


void CMonDlg::ValuesChanged(monitor::WatchListId list, const std::vector<int>& rows)
{
    OnUiThread([this, list, rows] { ModelOf(list)->RefreshRows(rows); });
}

void CMonDlg::CycleCompleted(std::uint32_t /*nowMs*/)
{
    // One note at a time: a worker that cycles faster than the UI thread drains its queue
    // must not bury it in notes that all say the same.
    if (m_cycleNotePending.exchange(true)) return;
    OnUiThread([this] {
        m_cycleNotePending = false;
        // A cycle reported after STOP is not news: its values were stale when shown.
        if (!m_running) return;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const monitor::WatchListId list :
             {monitor::WatchListId::Symbols, monitor::WatchListId::Addresses}) {
            std::vector<std::uint64_t> ids;
            for (const monitor::ReadItem& item : m_watchList.VisibleItems(list))
                ids.push_back(item.rowId);
            ModelOf(list)->MarkRead(ids, now);
        }
    });
}

void CMonDlg::CycleFailed()
{
    OnUiThread([this] { MarkValuesStale(); });
}

void CMonDlg::MarkValuesStale()
{
    m_symbolWatchModel->MarkStale();
    m_addressWatchModel->MarkStale();
}

void CMonDlg::StoppedByFailure(const std::string& reason)
{
    // A lost POD ends monitoring without a message box; START is offered again. A screen
    // reader user, who cannot see START come back, hears why.
    OnUiThread([this, why = QString::fromStdString(reason)] {
        // Shown as well: the window is the only place a user learns why the values stopped.
        if (m_running)
            ShowStatus(why.isEmpty() ? QString::fromLatin1(kMonitoringLost)
                                     : QStringLiteral("Monitoring stopped: ") + why,
                       true);
        m_running = false;
        MarkValuesStale();
        ApplyControlStates();
    });
}

void CMonDlg::StopMonitoring()
{
    // Held before the worker is stopped, so that a START pressed in between is refused
    // rather than racing the run for the POD.
    m_heldByRun = true;
    m_worker.StopAndJoin();
    OnUiThread([this] {
        if (m_running) m_announcer->Announce(QString::fromLatin1(kMonitoringStopped));
        m_running = false;
        MarkValuesStale();
        ApplyControlStates();
    });
}

void CMonDlg::EnableMonitorControls(bool enabled)
{
    m_heldByRun = !enabled;
    OnUiThread([this, enabled] {
        m_frozen = !enabled;
        ApplyControlStates();
    });
}

void CMonDlg::StopAndJoinWorker()
{
    m_worker.StopAndJoin();
    if (m_running) m_announcer->Announce(QString::fromLatin1(kMonitoringStopped));
    m_running = false;
    MarkValuesStale();
    ApplyControlStates();
}

// ---- controls ----------------------------------------------------------------------

void CMonDlg::ApplyControlStates()
{
    const bool idle = !m_frozen && !m_running;
    for (QWidget* list :
         {static_cast<QWidget*>(m_ui->listLeft), static_cast<QWidget*>(m_ui->listTRight),
          static_cast<QWidget*>(m_ui->listBRight), static_cast<QWidget*>(m_ui->intervalCombo)})
        list->setEnabled(!m_frozen);
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->startButton), static_cast<QWidget*>(m_ui->browseButton),
          static_cast<QWidget*>(m_ui->reloadButton), static_cast<QWidget*>(m_ui->mapPathEdit),
          static_cast<QWidget*>(m_ui->baudCombo)})
        control->setEnabled(idle);
    m_ui->stopButton->setEnabled(!m_frozen && m_running);
}

void CMonDlg::ShowStatus(const QString& text, bool urgent)
{
    if (m_ui->monitorStatus->text() == text) return;
    m_ui->monitorStatus->setText(text);
    // The label's accessible name is its text, for a screen reader that reads it; the
    // news itself is spoken, as the label never has the focus.
    QAccessibleEvent changed(m_ui->monitorStatus, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    if (!text.isEmpty()) m_announcer->Announce(text, urgent);
}

void CMonDlg::ShowFailure(const QString& text)
{
    m_announcer->Announce(text, true);
    m_showMessage(this, text);
}

QString CMonDlg::StatusText() const
{
    return m_ui->monitorStatus->text();
}

void CMonDlg::OnStart()
{
    // Monitoring needs a loaded map, even for address rows alone.
    if (m_symbolModel->rowCount() == 0 || m_heldByRun.load()) return;
    if (m_worker.IsRunning()) m_worker.StopAndJoin();
    const auto baud = static_cast<std::uint32_t>(std::max(m_ui->baudCombo->currentIndex(), 0));
    if (!m_worker.Start(baud)) { // no POD: the controls stay as they are
        ShowStatus(QString::fromLatin1(kMonitoringNotStarted), true);
        return;
    }
    m_running = true;
    ShowStatus(QString());
    ApplyControlStates();
    // START is disabled now; the next Space must stop, not open the box beside it.
    m_ui->stopButton->setFocus();
    m_announcer->Announce(QString::fromLatin1(kMonitoringStarted));
}

void CMonDlg::OnStop()
{
    m_worker.RequestStop();
    if (m_running) m_announcer->Announce(QString::fromLatin1(kMonitoringStopped));
    // STOP is disabled now: the focus goes back to START rather than on down the row.
    const bool hadFocus = m_ui->stopButton->hasFocus();
    m_running = false;
    MarkValuesStale();
    ApplyControlStates();
    if (hadFocus) m_ui->startButton->setFocus();
}

void CMonDlg::OnExit()
{
    StopAndJoinWorker();
    {
        auto lock = m_session.Lock();
        m_session.ClosePodSession();
    }
    hide();
}

void CMonDlg::closeEvent(QCloseEvent* event)
{
    StopAndJoinWorker();
    QDialog::closeEvent(event);
}

// ---- map file ----------------------------------------------------------------------

bool CMonDlg::OpenMap(const QString& path, bool tellFailure)
{
    const int mcu = m_currentMcu ? m_currentMcu() : 0;
    const QStringList openRows = m_symbolModel->OpenPaths();
    const monitor::MapLoadResult result =
        monitor::LoadMapFile(path.toStdString(), monitor::RamWindows::ForMcu(mcu), m_table);
    if (!result.ok) {
        if (tellFailure)
            ShowFailure(QString::fromUtf8(kMapLoadFailed) + QLatin1Char('\n') +
                        QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                        QString::fromStdString(result.reason));
        return false;
    }
    m_mapPath = path;
    // The ELF beside the map gives the symbols their C types (and a char at an odd byte
    // its true word) before the list shows them.
    QString typesNote;
    if (result.count > 0) {
        const monitor::ElfTypesLoad types =
            monitor::LoadElfTypes(path.toStdString(), {}, m_table, m_types);
        typesNote = QString::fromStdString(
            types.disagreement.empty() ? types.note : types.note + ' ' + types.disagreement);
    }
    if (result.count == 0) m_types.Clear();
    m_commands->ForgetTypes();
    m_symbolModel->Refill();
    m_symbolModel->ReopenPaths(openRows);
    if (result.count == 0) {
        // Not a map, another part's map, or nothing in this part's RAM: the lists go, but
        // the saved watch lists stay as they are for when the right map or part is chosen.
        m_watchSaveHeld = true;
        m_watchList.ClearAll();
        ReloadWatchModels();
        QString why = QStringLiteral("No symbol loaded from %1").arg(QFileInfo(path).fileName());
        if (result.outsideRam > 0)
            why += QStringLiteral(": %1 symbols lie outside the RAM of the selected part. Check "
                                  "MCU Select.")
                       .arg(result.outsideRam);
        else
            why += QStringLiteral(": it holds no data symbol.");
        ShowStatus(why);
        return true;
    }
    m_watchSaveHeld = false;
    monitor::RestoreWatchList(path.toStdString(), m_table, m_watchList, &m_types);
    ReloadWatchModels();
    QStringList notes{typesNote};
    if (result.dropped > 0)
        notes << QStringLiteral("%1 symbols of the map were left out: the list holds %2.")
                     .arg(result.dropped)
                     .arg(monitor::SymbolTable::kCapacity);
    if (result.longLines > 0)
        notes << QStringLiteral("%1 lines longer than %2 KiB skipped.")
                     .arg(result.longLines)
                     .arg(monitor::kMapLineLimit >> 10);
    ShowStatus(notes.join(QLatin1Char(' ')));
    return true;
}

void CMonDlg::ReloadWatchModels()
{
    m_symbolWatchModel->Reload();
    m_addressWatchModel->Reload();
}

void CMonDlg::SaveWatchLists()
{
    if (m_mapPath.isEmpty() || m_watchSaveHeld) return;
    std::string reason;
    if (monitor::SaveWatchList(m_mapPath.toStdString(), m_watchList, &reason)) {
        if (m_saveFailureShown) ShowStatus(QString());
        m_saveFailureShown = false;
        return;
    }
    m_saveFailureShown = true;
    ShowStatus(QStringLiteral("The watch lists could not be saved to %1: %2")
                   .arg(QDir::toNativeSeparators(
                            QString::fromStdString(monitor::WatchListPath(m_mapPath.toStdString()))),
                        QString::fromStdString(reason)),
               true);
}

void CMonDlg::OnBrowse()
{
    QString folder;
    if (!m_mapPath.isEmpty()) {
        const QString stored = QFileInfo(m_mapPath).absolutePath();
        if (QFileInfo(stored).isDir()) folder = stored;
    }
    const QString chosen = m_chooseFile(this, folder);
    if (chosen.isEmpty()) return;
    SaveWatchLists();
    m_ui->mapPathEdit->setText(chosen);
    OpenMap(chosen, true);
}

void CMonDlg::OnReload()
{
    SaveWatchLists();
    OpenMap(m_ui->mapPathEdit->text(), true);
}

// ---- lists -------------------------------------------------------------------------

WatchListModel* CMonDlg::ModelOf(monitor::WatchListId list) const
{
    return list == monitor::WatchListId::Symbols ? m_symbolWatchModel : m_addressWatchModel;
}

void CMonDlg::PublishVisibleRows(QTableView* list)
{
    if (list == m_ui->listLeft) return;
    const monitor::WatchListId id =
        list == m_ui->listTRight ? monitor::WatchListId::Symbols : monitor::WatchListId::Addresses;
    const int rowHeight = std::max(list->verticalHeader()->defaultSectionSize(), 1);
    const int top = std::max(list->rowAt(0), 0);
    const int perPage = list->viewport()->height() / rowHeight;
    m_watchList.SetVisibleRows(id, top, perPage);
}

bool CMonDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == m_ui->mapPathEdit) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnReload();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        QTableView* const lists[] = {m_ui->listLeft, m_ui->listTRight, m_ui->listBRight};
        for (QTableView* list : lists)
            if (watched == list && m_commands->HandleKey(list, *static_cast<QKeyEvent*>(event)))
                return true;
    }
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        watched == m_ui->listLeft->viewport() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_commands->HandleSymbolPress(*static_cast<QMouseEvent*>(event)))
        return true;
    if (event->type() == QEvent::Resize) {
        for (QTableView* list : {m_ui->listTRight, m_ui->listBRight})
            if (watched == list->viewport()) PublishVisibleRows(list);
    }
    return QDialog::eventFilter(watched, event);
}

std::unique_ptr<QMenu> CMonDlg::MakeContextMenu(QTableView* list, bool onRow)
{
    std::unique_ptr<QMenu> menu = m_commands->MakeContextMenu(list, onRow);
    if (list == m_ui->listTRight) {
        // The C type takes room a small screen needs for values: shown on request.
        menu->addSeparator();
        QAction* type = menu->addAction(QStringLiteral("Show Type Column"));
        type->setCheckable(true);
        type->setChecked(!list->isColumnHidden(WatchListModel::kTypeColumn));
        connect(type, &QAction::toggled, this,
                [list](bool shown) { list->setColumnHidden(WatchListModel::kTypeColumn, !shown); });
    }
    return menu;
}

void CMonDlg::OnContextMenu(QTableView* list, const QPoint& pos)
{
    const bool onRow = list->indexAt(pos).isValid();
    std::unique_ptr<QMenu> menu = MakeContextMenu(list, onRow);
    menu->exec(list->viewport()->mapToGlobal(pos));
}

// ---- splitters ---------------------------------------------------------------------

void CMonDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_splittersPlaced) {
        ApplySplitterPositions();
        ShrinkEmptyAddressList();
        m_splittersPlaced = true;
    }
    PublishVisibleRows(m_ui->listTRight);
    PublishVisibleRows(m_ui->listBRight);
}

// A stored position is where the bar's middle lies in the window's client area, so
// it survives a change of the margins around the lists.
void CMonDlg::ApplySplitterPositions()
{
    layout()->activate();
    QSplitter* v = m_ui->vSplitter;
    QSplitter* h = m_ui->hSplitter;
    const int vOrigin = v->mapTo(this, QPoint(0, 0)).x() + v->handleWidth() / 2;
    const int vTotal = v->width() - v->handleWidth();
    const int left = std::clamp(m_settings.vSplitterPosition - vOrigin, 0, vTotal);
    v->setSizes({left, vTotal - left});
    layout()->activate();
    const int hOrigin = h->mapTo(this, QPoint(0, 0)).y() + h->handleWidth() / 2;
    const int hTotal = h->height() - h->handleWidth();
    const int top = std::clamp(m_settings.hSplitterPosition - hOrigin, 0, hTotal);
    h->setSizes({top, hTotal - top});
}

// An empty address list keeps room for its header and a few rows; the symbol watch list,
// where a project's variables are, takes the rest.
void CMonDlg::ShrinkEmptyAddressList()
{
    if (m_addressWatchModel->rowCount() > 0) return;
    QSplitter* h = m_ui->hSplitter;
    QList<int> sizes = h->sizes();
    const int room = m_ui->listBRight->horizontalHeader()->height() +
                     4 * m_ui->listBRight->verticalHeader()->defaultSectionSize();
    if (sizes.size() != 2 || sizes[1] <= room) return;
    sizes[0] += sizes[1] - room;
    sizes[1] = room;
    h->setSizes(sizes);
}

void CMonDlg::ReadSplitterPositions()
{
    QSplitter* v = m_ui->vSplitter;
    QSplitter* h = m_ui->hSplitter;
    m_settings.vSplitterPosition =
        v->mapTo(this, QPoint(0, 0)).x() + v->handleWidth() / 2 + v->sizes().value(0);
    m_settings.hSplitterPosition =
        h->mapTo(this, QPoint(0, 0)).y() + h->handleWidth() / 2 + h->sizes().value(0);
}
