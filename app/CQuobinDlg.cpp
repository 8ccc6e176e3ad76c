#include "CQuobinDlg.h"

#include "CAboutDlg.h"
#include "CMonDlg.h"
#include "MainSettings.h"
#include "pod/Messages.h"
#include "ui_CQuobinDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

const QColor kStatusBackground(0, 255, 180);
const QColor kErrorText(255, 0, 0);
const QColor kNormalText(0, 0, 0);
const char* const kManualName = "Quobin_Manual.pdf";

} // namespace

CQuobinDlg::CQuobinDlg(const BackendFactory& makeBackend, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CQuobinDlg>()),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_showMessage([](QWidget* owner, const QString& text) {
          QMessageBox::warning(owner, QStringLiteral("Quobin"), text);
      }),
      m_chooseFile([](QWidget* owner, const QString& initialFolder) {
          return QFileDialog::getOpenFileName(owner, QString(), initialFolder,
                                              QStringLiteral("S Files (.s) (*.s)"), nullptr,
                                              QFileDialog::HideNameFilterDetails);
      })
{
    m_ui->setupUi(this);
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
        connect(button, &QPushButton::clicked, this, [this, m = mode] { OnOperation(m); });
    connect(m_ui->targetResetButton, &QPushButton::clicked, this, &CQuobinDlg::OnTargetReset);
    connect(m_ui->getVersionButton, &QPushButton::clicked, this, &CQuobinDlg::OnGetVersion);
    connect(m_ui->firmwareUpdateButton, &QPushButton::clicked, this, &CQuobinDlg::OnFirmwareUpdate);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CQuobinDlg::OnHelp);
    connect(m_ui->dataMonitoringButton, &QPushButton::clicked, this,
            &CQuobinDlg::dataMonitoringRequested);
    connect(m_ui->mcuSelect, &QComboBox::currentIndexChanged, this,
            &CQuobinDlg::UpdateRegionAvailability);
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
    const std::string_view aboutId = pod::MessageText(pod::kMsgAbout);
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
    m_backend->LoadSFile(CaptureSnapshot());
    m_backend->EnsurePodSession();
    m_ui->mcuSelect->setFocus();
}

template <typename Fn> void CQuobinDlg::OnUiThread(Fn&& fn)
{
    // Calls from the UI thread act at once (the status line must show before a blocking
    // exchange returns). Calls from a worker join one queue, in order, and a queued call
    // tells the UI thread to run it. The queue's own lock, held while posting, also
    // orders the worker's writes before the UI thread's reads for thread checkers that
    // cannot see inside the Qt library.
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    std::lock_guard lock(m_postedMutex);
    m_posted.emplace_back(std::forward<Fn>(fn));
    QMetaObject::invokeMethod(this, &CQuobinDlg::RunPosted, Qt::QueuedConnection);
}

void CQuobinDlg::RunPosted()
{
    std::deque<std::function<void()>> due;
    {
        std::lock_guard lock(m_postedMutex);
        due.swap(m_posted);
    }
    for (auto& call : due)
        call();
}

void CQuobinDlg::ShowStatus(const std::string& text, bool error)
{
    OnUiThread([this, shown = QString::fromStdString(text), error] { ApplyStatus(shown, error); });
}

void CQuobinDlg::SetProgressRange(int upper)
{
    OnUiThread([this, upper] {
        // A Windows progress control keeps its position, clamped to the new range, and
        // shows a range of 0..0 as an empty bar. A QProgressBar would reset the value to
        // -1 instead, and run its endless "busy" animation for 0..0.
        QProgressBar* bar = m_ui->progressBar;
        m_progressUpper = std::max(upper, 0);
        const int position = std::clamp(bar->value(), 0, m_progressUpper);
        bar->setRange(0, std::max(m_progressUpper, 1));
        bar->setValue(position);
    });
}

void CQuobinDlg::SetProgressStep(int step)
{
    OnUiThread([this, step] { m_progressStep = step; });
}

void CQuobinDlg::StepProgress()
{
    OnUiThread([this] {
        if (m_progressUpper == 0) return; // an empty range has nowhere to go
        // A step past the end starts the bar over, as a Windows progress control does; a
        // new region's range therefore begins from empty even though nobody resets it.
        QProgressBar* bar = m_ui->progressBar;
        const int next = std::max(bar->value(), 0) + m_progressStep;
        bar->setValue(next > m_progressUpper ? 0 : next);
    });
}

void CQuobinDlg::SetProgressPos(int position)
{
    OnUiThread([this, position] {
        m_ui->progressBar->setValue(std::clamp(position, 0, m_progressUpper));
    });
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

void CQuobinDlg::ApplyStatus(const QString& text, bool error)
{
    CVexStatic* status = m_ui->statusLine;
    status->SetText(text);
    status->m_textColor = error ? kErrorText : kNormalText;
    status->repaint();
}

void CQuobinDlg::ApplyControlsEnabled(bool enabled)
{
    // EXIT, HELP and Data Monitoring are not POD work and stay usable during a run.
    QWidget* const controls[] = {
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
    for (QWidget* control : controls)
        control->setEnabled(enabled);
    if (enabled) UpdateRegionAvailability();
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

ops::DialogSnapshot CQuobinDlg::CaptureSnapshot() const
{
    ops::DialogSnapshot snapshot;
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

void CQuobinDlg::OnOperation(ops::OperationMode mode)
{
    const ops::DialogSnapshot snapshot = CaptureSnapshot();
    // Frozen here already, so that a quick second click cannot start a second run.
    ApplyControlsEnabled(false);
    if (!m_backend->Start(mode, snapshot))
        ApplyControlsEnabled(true); // refused: the previous worker has given them back
}

void CQuobinDlg::OnFirmwareUpdate()
{
    ApplyControlsEnabled(false);
    if (!m_backend->StartFirmwareUpdate()) ApplyControlsEnabled(true);
}

void CQuobinDlg::OnGetVersion()
{
    m_backend->QueryVersion();
}

void CQuobinDlg::OnTargetReset()
{
    m_backend->ResetTarget(m_ui->resetPolarity->currentIndex(), m_ui->resetDelay->currentIndex());
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
    m_sFilePath = chosen;
    m_ui->sFilePathEdit->setText(chosen);
    m_backend->LoadSFile(CaptureSnapshot());
}

QString CQuobinDlg::FindManual()
{
    const QString inCurrent = QDir::current().absoluteFilePath(QLatin1String(kManualName));
    if (QFileInfo(inCurrent).isFile()) return inCurrent;
    const QString besideProgram =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QLatin1String(kManualName));
    if (QFileInfo(besideProgram).isFile()) return besideProgram;
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
    const auto store = app::OpenQuobinSettings();
    current.Save(*store);
}
