#include "app/CQuobinDlg.h"

#include "app/CAboutDlg.h"
#include "monitor/ui/CMonDlg.h"
#include "app/MainSettings.h"
#include "app/ProgrammerToolTips.h"
#include "app/RecentFilesMenu.h"
#include "app/RunLog.h"
#include "app/WinProgressBar.h"
#include "app/PodComboBox.h"
#include "app/StatusAnnouncer.h"
#include "graph/ui/CGraphMonDlg.h"
#include "monitor/RecorderSymbol.h"
#include "report/Messages.h"
#include "quobin/Version.h"
#include "ui/Announcer.h"
#include "ui_CQuobinDlg.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

const QColor kStatusBackground(0, 255, 180);
const QColor kErrorText(255, 0, 0);
const QColor kNormalText(0, 0, 0);
const char* const kManualName = "Quobin_Manual.pdf";
// The window's height with the run log folded and the height the log adds when open.
constexpr int kFoldedHeight = 410;
constexpr int kLogHeight = 150;

// The local file a drag carries, if it carries exactly one.
QString DraggedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

const QString CQuobinDlg::kFileFilter = QStringLiteral(
    "S-record files (*.s *.S *.s19 *.s28 *.s37 *.srec *.mot *.elf.S);;All files (*)");
const QColor CQuobinDlg::kWarningColor(160, 82, 0);

CQuobinDlg::CQuobinDlg(const BackendFactory& makeBackend, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CQuobinDlg>()),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_showMessage([](QWidget* owner, const QString& text) {
          QMessageBox::warning(owner, QStringLiteral("Quobin"), text);
      }),
      m_chooseFile([](QWidget* owner, const QString& initialFolder) {
          return QFileDialog::getOpenFileName(owner, QString(), initialFolder, kFileFilter);
      }),
      m_confirmLeave([](QWidget* owner, const QString& question) {
          return QMessageBox::question(owner, QStringLiteral("Quobin"), question,
                                       QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::No) == QMessageBox::Yes;
      })
{
    m_ui->setupUi(this);
    setWindowTitle(windowTitle().replace(QStringLiteral("Quobin"),
                                         QStringLiteral("Quobin ") + quobin::kVersionText));
    m_announcer = new ui::Announcer(this);
    m_speech = std::make_unique<StatusAnnouncer>(*m_announcer);
    m_progress = std::make_unique<WinProgressBar>(m_ui->progressBar);
    m_runLog = std::make_unique<RunLog>(m_ui->runLog, m_ui->runCounterLabel);
    m_ui->runLog->hide();
    resize(width(), kFoldedHeight);
    // A fixed-size main window with a minimise box and no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    m_backend = makeBackend(*this);

    using ops::OperationMode;
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CQuobinDlg::OnBrowse);
    const std::pair<QPushButton*, OperationMode> operations[] = {
        {m_ui->targetWriteVerifyButton, OperationMode::TargetWriteVerify},
        {m_ui->targetWriteButton, OperationMode::TargetWrite},
        {m_ui->targetVerifyButton, OperationMode::TargetVerify},
        {m_ui->podWriteVerifyButton, OperationMode::PodWriteVerify},
        {m_ui->podWriteButton, OperationMode::PodWrite},
        {m_ui->podVerifyButton, OperationMode::PodVerify},
    };
    for (const auto& [button, mode] : operations)
        connect(button, &QPushButton::clicked, this,
                [this, m = mode, b = button] { OnOperation(m, b); });
    connect(m_ui->targetResetButton, &QPushButton::clicked, this, &CQuobinDlg::OnTargetReset);
    connect(m_ui->getVersionButton, &QPushButton::clicked, this, &CQuobinDlg::OnGetVersion);
    connect(m_ui->firmwareUpdateButton, &QPushButton::clicked, this, &CQuobinDlg::OnFirmwareUpdate);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CQuobinDlg::OnHelp);
    connect(m_ui->dataMonitoringButton, &QPushButton::clicked, this,
            &CQuobinDlg::dataMonitoringRequested);
    connect(m_ui->mcuSelect, &QComboBox::currentIndexChanged, this, [this] {
        UpdateRegionAvailability();
        ReloadForNewChoice();
    });
    // Enter loads the file as the next run would; a path typed and left does the same,
    // so that the region labels never show another file's counts.
    connect(m_ui->sFilePathEdit, &QLineEdit::returnPressed, this, [this] {
        m_ui->sFilePathEdit->setModified(false);
        ReloadForNewChoice();
    });
    connect(m_ui->sFilePathEdit, &QLineEdit::editingFinished, this, [this] {
        if (!m_ui->sFilePathEdit->isModified()) return;
        m_ui->sFilePathEdit->setModified(false);
        ReloadForNewChoice();
    });
    connect(m_ui->runLogToggle, &QToolButton::toggled, this, &CQuobinDlg::OnRunLogToggled);
    connect(m_ui->podSelect, &PodComboBox::popupAboutToShow, this, &CQuobinDlg::RefreshPods);
    connect(m_ui->podSelect, &QComboBox::activated, this, &CQuobinDlg::OnPodChosen);
    m_ui->podSelect->hide();
    m_ui->podSelectLabel->hide();

    m_recent = new RecentFilesMenu(m_ui->sFilePathEdit, [this](const QString& path) { ChooseSFile(path); });
    setAcceptDrops(true);
    SetUpProgrammerToolTips(*m_ui);
}

CQuobinDlg::~CQuobinDlg()
{
    // Saved first, while the widgets hold their values: ending a run can take as long as
    // the exchange in progress, and a program stopped while it waits loses nothing.
    SaveSettings();
    // Monitoring ends before the session it uses; a run still going may call on the
    // monitoring window until the backend has joined it, so that window goes last.
    if (m_monDlg) m_monDlg->SaveState(*app::OpenQuobinSettings());
    // The worker reports to this window: it must be gone before the widgets are.
    m_backend.reset();
    m_monDlg.reset();
}

void CQuobinDlg::Initialize()
{
    // The system menu cannot be extended portably; the about entry lives in the window's
    // context menu instead.
    const std::string_view aboutId = report::MessageText(report::kMsgAbout);
    const QString aboutText =
        QString::fromUtf8(aboutId.data(), static_cast<qsizetype>(aboutId.size()));
    if (!aboutText.isEmpty()) {
        auto* about = new QAction(aboutText, this);
        about->setObjectName(QStringLiteral("aboutAction"));
        connect(about, &QAction::triggered, this, &CQuobinDlg::OnAbout);
        addAction(about);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    m_icon.addFile(QStringLiteral(":/icons/quobin-32.png"));
    m_icon.addFile(QStringLiteral(":/icons/quobin-64.png"));
    m_icon.addFile(QStringLiteral(":/icons/quobin-256.png"));
    setWindowIcon(m_icon);

    if (pod::PodSession* session = m_backend->MonitorSession(); session && !m_monDlg) {
        // A child window, so that it stays usable while this window runs modally.
        m_monDlg = std::make_unique<CMonDlg>(
            *session, [this] { return m_ui->mcuSelect->currentIndex(); }, this);
        // The modal "Graph Monitoring" window on the same POD session.
        m_monDlg->SetGraphOpener(
            [this, session](QWidget* owner, const std::vector<monitor::MonitorItem>& rows) {
                std::vector<graph::GraphChannel> channels;
                for (const monitor::MonitorItem& row : rows)
                    channels.push_back(graph::ChannelFromMonitorItem(row));
                CGraphMonDlg graph(*session, channels, owner);
                graph.SetExportName(QFileInfo(m_monDlg->MapPath()).completeBaseName());
                graph.SetRecorder(monitor::FindRecorder(m_monDlg->symbols(), m_monDlg->types()));
                graph.exec();
            });
        m_backend->SetMonitorControl(m_monDlg.get());
        connect(this, &CQuobinDlg::dataMonitoringRequested, m_monDlg.get(), [this] {
            m_monDlg->show();
            m_monDlg->raise();
            m_monDlg->activateWindow();
        });
    }

    m_ui->mcuSelect->blockSignals(true);
    m_ui->mcuSelect->clear();
    for (int type = 0; type < m_backend->PartCount(); ++type)
        m_ui->mcuSelect->addItem(QString::fromStdString(m_backend->PartName(type)));
    m_ui->mcuSelect->setCurrentIndex(
        image::kDefaultMcuType < m_backend->PartCount() ? image::kDefaultMcuType : 0);
    m_ui->mcuSelect->blockSignals(false);
    m_ui->resetAfterCheck->setChecked(true);
    m_ui->resetPolarity->clear();
    m_ui->resetPolarity->addItems({QStringLiteral("Active Low"), QStringLiteral("Active High")});
    m_ui->resetPolarity->setCurrentIndex(0);
    m_ui->resetDelay->clear();
    m_ui->resetDelay->addItems({QStringLiteral("1 ms"), QStringLiteral("10 ms"),
                                QStringLiteral("50 ms"), QStringLiteral("100 ms"),
                                QStringLiteral("500 ms")});
    m_ui->resetDelay->setCurrentIndex(0);

    CVexStatic* status = m_ui->statusLine;
    status->m_textColor = kNormalText;
    status->m_backColor = kStatusBackground;
    status->m_textShown = true;
    status->FitAreaToText();

    LoadSettings();
    if (m_monDlg) m_monDlg->Initialize(*app::OpenQuobinSettings());
    UpdateRegionAvailability();
    RefreshPods();
    m_backend->LoadSFile(CaptureSnapshot());
    m_backend->EnsurePodSession();
    m_ui->mcuSelect->setFocus();
}


void CQuobinDlg::ShowStatus(const std::string& text, bool error)
{
    OnUiThread([this, shown = QString::fromStdString(text), error] { ApplyStatus(shown, error); });
}

void CQuobinDlg::SetProgressRange(int upper)
{
    OnUiThread([this, upper] { m_progress->SetRange(upper); });
}

void CQuobinDlg::SetProgressStep(int step)
{
    OnUiThread([this, step] { m_progress->SetStep(step); });
}

void CQuobinDlg::StepProgress()
{
    OnUiThread([this] { m_progress->Step(); });
}

void CQuobinDlg::SetProgressPos(int position)
{
    OnUiThread([this, position] { m_progress->SetPos(position); });
}

void CQuobinDlg::SetControlsEnabled(bool enabled)
{
    OnUiThread([this, enabled] { ApplyControlsEnabled(enabled); });
}

void CQuobinDlg::SetRegionLabels(const std::array<std::string, 4>& labels)
{
    std::array<QString, 4> texts;
    for (std::size_t i = 0; i < labels.size(); ++i)
        texts[i] = QString::fromStdString(labels[i]);
    OnUiThread([this, texts] { ApplyRegionLabels(texts); });
}

void CQuobinDlg::ShowTransferProgress(const ops::TransferProgress& progress)
{
    OnUiThread([this, text = QString::fromStdString(ops::TransferProgressText(progress))] {
        ShowTransferText(text);
    });
}

void CQuobinDlg::ShowWarning(const std::string& text)
{
    OnUiThread([this, shown = QString::fromStdString(text)] {
        AppendLog(shown);
        m_speech->WarningShown(CVexStatic::Markup(shown));
        // During a run the status line belongs to the run; the log keeps the warning.
        if (m_workActive) return;
        CVexStatic* status = m_ui->statusLine;
        status->m_textColor = kWarningColor;
        status->SetText(CVexStatic::Markup(shown));
        status->repaint();
    });
}

void CQuobinDlg::ShowNote(const std::string& text)
{
    OnUiThread([this, shown = QString::fromStdString(text)] { AppendLog(shown); });
}

void CQuobinDlg::RunFinished(const ops::RunRecord& record)
{
    OnUiThread([this, line = QString::fromStdString(ops::RunLogLine(record)), ok = record.ok] {
        m_runLog->RunFinished(line, ok);
    });
}

void CQuobinDlg::AppendLog(const QString& text)
{
    m_runLog->Append(text);
}

QStringList CQuobinDlg::RunLogLines() const
{
    return m_runLog->Lines();
}

const QStringList& CQuobinDlg::RecentFiles() const
{
    return m_recent->Files();
}

void CQuobinDlg::OnRunLogToggled(bool shown)
{
    m_ui->runLogToggle->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    m_ui->runLog->setVisible(shown);
    setFixedSize(width(), kFoldedHeight + (shown ? kLogHeight : 0));
    if (shown) KeepOnScreen();
}

void CQuobinDlg::ApplyStatus(const QString& text, bool error)
{
    CVexStatic* status = m_ui->statusLine;
    // The colour first, so that a screen reader told of the new text finds it described.
    status->m_textColor = error ? kErrorText : kNormalText;
    const QString markup = CVexStatic::Markup(text);
    status->SetText(markup);
    status->repaint();
    AppendLog(text);
    m_speech->StatusShown(markup, error);
}

void CQuobinDlg::ShowTransferText(const QString& text)
{
    m_ui->transferLabel->setText(text);
    // The region and time left, for a screen reader: the label tells each change, and
    // the progress bar, where the focus waits during a run, carries it as its
    // description, so that asking the bar gives both the percentage and this.
    QAccessibleEvent changed(m_ui->transferLabel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    m_ui->progressBar->setAccessibleDescription(text);
}

void CQuobinDlg::ApplyControlsEnabled(bool enabled)
{
    // EXIT, HELP and Data Monitoring are not POD work and stay usable during a run.
    QWidget* const controls[] = {
        m_ui->podSelect,
        m_ui->mcuSelect,
        m_ui->resetAfterCheck,
        m_ui->sFilePathEdit,
        m_ui->browseButton,
        m_ui->p1flashCheck,
        m_ui->p2flashCheck,
        m_ui->dflashCheck,
        m_ui->bflashCheck,
        m_ui->targetWriteVerifyButton,
        m_ui->targetWriteButton,
        m_ui->targetVerifyButton,
        m_ui->targetResetButton,
        m_ui->podWriteVerifyButton,
        m_ui->podWriteButton,
        m_ui->podVerifyButton,
        m_ui->firmwareUpdateButton,
        m_ui->resetPolarity,
        m_ui->resetDelay,
        m_ui->getVersionButton,
    };
    // Disabling the focused control would hand the focus to the next one, which is
    // disabled in turn: a screen reader would read out every button on the way. The
    // focus waits on the progress bar instead, which tells how the work goes.
    if (!enabled && std::find(std::begin(controls), std::end(controls), focusWidget()) !=
                        std::end(controls))
        m_ui->progressBar->setFocus(Qt::OtherFocusReason);
    for (QWidget* control : controls)
        control->setEnabled(enabled);
    if (!enabled) return;
    UpdateRegionAvailability();
    if (m_backend->IsBusy()) return; // a refused start: the running work goes on
    m_workActive = false;
    ShowTransferText(QString());
    m_speech->RunEnded();
    if (m_workOrigin && (!focusWidget() || focusWidget() == m_ui->progressBar))
        m_workOrigin->setFocus(Qt::OtherFocusReason);
    m_workOrigin = nullptr;
    if (m_closePending) QDialog::done(m_closeResult);
}

void CQuobinDlg::ApplyRegionLabels(const std::array<QString, 4>& labels)
{
    const auto boxes = RegionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(labels[i]);
}

std::array<QCheckBox*, 4> CQuobinDlg::RegionBoxes() const
{
    return {m_ui->dflashCheck, m_ui->bflashCheck, m_ui->p1flashCheck, m_ui->p2flashCheck};
}

void CQuobinDlg::UpdateRegionAvailability()
{
    const auto present = m_backend->RegionsPresent(m_ui->mcuSelect->currentIndex());
    const auto boxes = RegionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->setEnabled(present[i]);
        boxes[i]->setChecked(present[i]);
    }
}

image::RunChoices CQuobinDlg::CaptureSnapshot() const
{
    image::RunChoices snapshot;
    snapshot.mcuIndex = m_ui->mcuSelect->currentIndex();
    snapshot.resetAfter = m_ui->resetAfterCheck->isChecked();
    snapshot.resetPolarityIndex = m_ui->resetPolarity->currentIndex();
    snapshot.resetDelayIndex = m_ui->resetDelay->currentIndex();
    snapshot.sFilePath = m_ui->sFilePathEdit->text().toStdString();
    const auto boxes = RegionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        snapshot.regionChecked[i] = boxes[i]->isChecked();
    return snapshot;
}

void CQuobinDlg::BeginWork(QAbstractButton* origin)
{
    // Frozen here already, so that a quick second click cannot start a second run.
    m_workOrigin = origin;
    ApplyControlsEnabled(false);
    m_workActive = true;
    m_speech->RunStarted(origin->text());
}

void CQuobinDlg::OnOperation(ops::OperationMode mode, QAbstractButton* origin)
{
    const image::RunChoices snapshot = CaptureSnapshot();
    BeginWork(origin);
    if (!m_backend->Start(mode, snapshot)) {
        ApplyControlsEnabled(true); // refused: the previous worker has given them back
        return;
    }
    // A path typed into the box and used by a run is kept as a chosen one is, at once, so
    // that the next start offers it even when this one does not end normally.
    const QString typed = QString::fromStdString(snapshot.sFilePath);
    if (!typed.trimmed().isEmpty() && typed != m_sFilePath) {
        m_sFilePath = typed;
        m_recent->Remember(typed);
        SaveSettings();
    }
}

void CQuobinDlg::OnFirmwareUpdate()
{
    BeginWork(m_ui->firmwareUpdateButton);
    if (!m_backend->StartFirmwareUpdate()) ApplyControlsEnabled(true);
}

void CQuobinDlg::OnGetVersion()
{
    BeginWork(m_ui->getVersionButton);
    if (!m_backend->QueryVersion()) ApplyControlsEnabled(true);
}

void CQuobinDlg::OnTargetReset()
{
    const int polarity = m_ui->resetPolarity->currentIndex();
    const int delay = m_ui->resetDelay->currentIndex();
    BeginWork(m_ui->targetResetButton);
    if (!m_backend->ResetTarget(polarity, delay)) ApplyControlsEnabled(true);
}

void CQuobinDlg::done(int result)
{
    if (!m_backend || !m_backend->IsBusy()) {
        QDialog::done(result);
        return;
    }
    if (!m_closePending) {
        m_closePending = true;
        m_closeResult = result;
        const QString notice = QStringLiteral("Quobin will close when the run has ended");
        m_ui->transferLabel->setText(notice);
        AppendLog(notice);
        m_announcer->Announce(notice);
        return;
    }
    if (m_confirmLeave(this, QStringLiteral("The run is still writing. Leave now? The run stops "
                                            "after the block in progress, and the target may "
                                            "be left half-programmed."))) {
        m_backend->RequestStop();
        AppendLog(QStringLiteral("Stopping after the block in progress"));
    }
}

void CQuobinDlg::ReloadForNewChoice()
{
    // Only a load that can show something: no path means nothing to count, and while a
    // worker runs the images are its own.
    if (m_ui->mcuSelect->count() == 0 || m_ui->sFilePathEdit->text().trimmed().isEmpty()) return;
    if (m_backend->IsBusy()) return;
    m_backend->LoadSFile(CaptureSnapshot());
}

void CQuobinDlg::ChooseSFile(const QString& path)
{
    m_sFilePath = path;
    m_ui->sFilePathEdit->setText(path);
    m_ui->sFilePathEdit->setModified(false);
    m_recent->Remember(path);
    m_backend->LoadSFile(CaptureSnapshot());
}

void CQuobinDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DraggedFile(event->mimeData()).isEmpty() && m_ui->sFilePathEdit->isEnabled())
        event->acceptProposedAction();
}

void CQuobinDlg::dropEvent(QDropEvent* event)
{
    const QString path = DraggedFile(event->mimeData());
    if (path.isEmpty() || !m_ui->sFilePathEdit->isEnabled()) return;
    event->acceptProposedAction();
    ChooseSFile(path);
}

void CQuobinDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The frame is known only once the window manager has placed the window.
    QTimer::singleShot(0, this, &CQuobinDlg::KeepOnScreen);
}

void CQuobinDlg::KeepOnScreen()
{
    // On a small screen at a large scale the window manager may put the title bar above
    // the screen's top, where the window can no longer be moved.
    const QScreen* shown = screen();
    if (!shown) return;
    const QRect available = shown->availableGeometry();
    const QRect frame = frameGeometry();
    const int x = std::clamp(frame.x(), available.left(),
                             std::max(available.left(), available.right() + 1 - frame.width()));
    const int y = std::clamp(frame.y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - frame.height()));
    if (x != frame.x() || y != frame.y()) move(x, y);
}

QString CQuobinDlg::InitialBrowseFolder(const QString& storedPath)
{
    if (storedPath.isEmpty()) return {};
    const QFileInfo info(storedPath);
    if (info.isDir()) return storedPath;
    const qsizetype cut = std::max(storedPath.lastIndexOf(QLatin1Char('\\')),
                                   storedPath.lastIndexOf(QLatin1Char('/')));
    if (cut < 0) return {};
    const QString folder = storedPath.left(cut);
    if (info.isFile()) return folder;
    return QFileInfo(folder).isDir() ? folder : QString();
}

void CQuobinDlg::OnBrowse()
{
    const QString chosen = m_chooseFile(this, InitialBrowseFolder(m_sFilePath));
    if (chosen.isEmpty()) return;
    ChooseSFile(chosen);
}

QString CQuobinDlg::FindManual()
{
    const QString inCurrent = QDir::current().absoluteFilePath(QLatin1String(kManualName));
    if (QFileInfo(inCurrent).isFile()) return inCurrent;
    const QString besideProgram =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(kManualName));
    if (QFileInfo(besideProgram).isFile()) return besideProgram;
    // Installed: /usr/bin/quobin reads /usr/share/doc/quobin/Quobin_Manual.pdf.
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .absoluteFilePath(QLatin1String("../share/doc/quobin/") + QLatin1String(kManualName));
    if (QFileInfo(installed).isFile()) return QDir::cleanPath(installed);
    return {};
}

void CQuobinDlg::OnHelp()
{
    const QString manual = FindManual();
    if (manual.isEmpty()) {
        m_showMessage(this,
                      QStringLiteral("Not found [%1] help file").arg(QLatin1String(kManualName)));
        return;
    }
    if (m_openUrl(QUrl::fromLocalFile(manual))) return;
    m_showMessage(this, QStringLiteral("Cannot open [%1]: no program to show PDF files is set up")
                            .arg(QDir::toNativeSeparators(manual)));
}

void CQuobinDlg::OnAbout()
{
    CAboutDlg about(m_icon, this);
    about.exec();
}

void CQuobinDlg::SetHelpHooks(UrlOpener openUrl, MessageShower showMessage)
{
    m_openUrl = std::move(openUrl);
    m_showMessage = std::move(showMessage);
}

void CQuobinDlg::SetFileChooser(FileChooser chooseFile)
{
    m_chooseFile = std::move(chooseFile);
}

void CQuobinDlg::SetLeaveConfirmer(Confirmer confirm)
{
    m_confirmLeave = std::move(confirm);
}

void CQuobinDlg::RefreshPods()
{
    const std::optional<std::vector<std::string>> pods = m_backend->AttachedPods();
    if (!pods) return; // POD work holds the connection: the list stays as it was
    QStringList serials;
    for (const std::string& serial : *pods)
        serials << QString::fromStdString(serial);
    PodComboBox* combo = m_ui->podSelect;
    const bool several = serials.size() > 1;
    combo->blockSignals(true);
    combo->clear();
    combo->addItems(serials);
    // The POD remembered when it is there, else the first listed, so that with several
    // attached every run goes to a POD the window names.
    combo->setCurrentIndex(std::max<int>(0, static_cast<int>(serials.indexOf(m_podSerial))));
    combo->blockSignals(false);
    combo->setVisible(several);
    m_ui->podSelectLabel->setVisible(several);
    // With a single POD the one there is used, by its description; the remembered
    // choice stays for when the station has several again.
    if (several && m_backend->ChoosePod(combo->currentText().toStdString()))
        m_podSerial = combo->currentText();
    if (!several) m_backend->ChoosePod({});
}

void CQuobinDlg::OnPodChosen(int index)
{
    const QString serial = m_ui->podSelect->itemText(index);
    if (m_backend->ChoosePod(serial.toStdString())) {
        m_podSerial = serial;
        return;
    }
    m_ui->podSelect->setCurrentIndex(
        std::max<int>(0, static_cast<int>(m_ui->podSelect->findText(m_podSerial))));
}

void CQuobinDlg::LoadSettings()
{
    const auto store = app::OpenQuobinSettings();
    const app::MainSettings loaded = app::MainSettings::Load(*store, m_backend->PartCount());
    m_ui->mcuSelect->blockSignals(true);
    m_ui->mcuSelect->setCurrentIndex(loaded.mcuType);
    m_ui->mcuSelect->blockSignals(false);
    m_ui->resetAfterCheck->setChecked(loaded.afterReset);
    m_ui->resetPolarity->setCurrentIndex(loaded.resetPolarity);
    m_ui->resetDelay->setCurrentIndex(loaded.resetDelay);
    m_sFilePath = loaded.filePath;
    m_ui->sFilePathEdit->setText(loaded.filePath);
    m_recent->SetFiles(loaded.recentFiles);
    m_podSerial = loaded.podSerial;
}

void CQuobinDlg::SaveSettings() const
{
    // A window that never finished starting has no lists to save.
    if (m_ui->mcuSelect->count() == 0) return;
    app::MainSettings current;
    current.mcuType = m_ui->mcuSelect->currentIndex();
    current.afterReset = m_ui->resetAfterCheck->isChecked();
    current.resetPolarity = m_ui->resetPolarity->currentIndex();
    current.resetDelay = m_ui->resetDelay->currentIndex();
    current.filePath = m_sFilePath;
    current.recentFiles = m_recent->Files();
    current.podSerial = m_podSerial;
    const auto store = app::OpenQuobinSettings();
    current.Save(*store);
}
