#include "graph/ui/CGraphMonDlg.h"

#include "graph/ui/GraphPlotArea.h"
#include "ui_CGraphMonDlg.h"

#include "pod/PodSession.h"

#include "graph/SamplesCsv.h"
#include "monitor/IntervalChoices.h"
#include "monitor/ValueText.h"
#include "report/OutcomeText.h"
#include "ui/Announcer.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include <cmath>
#include <fstream>
#include <tuple>

namespace {
constexpr int kDefaultInterval = 6;

// Five significant digits keep two summaries side by side in the narrowest window.
// A whole number is shown in full (103840, not 1.0384e+05): counters are read digit by digit.
QString Number(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 5);
}

// Where the last export of this run of the program went.
QString& LastExportFolder()
{
    static QString folder;
    return folder;
}
} // namespace

CGraphMonDlg::CGraphMonDlg(pod::PodSession& session, const std::vector<graph::GraphChannel>& rows,
                           QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CGraphMonDlg>()), m_session(session),
      m_worker(session, *this), m_recorder(session, *this)
{
    for (const graph::GraphChannel& row : rows)
        m_channels.Add(row);
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(650, 450);

    for (const monitor::IntervalChoice& choice : monitor::kIntervalChoices)
        m_ui->intervalCombo->addItem(QString::fromLatin1(choice.text));
    m_ui->intervalCombo->setCurrentIndex(kDefaultInterval);
    m_ui->intervalCombo->setAccessibleName(m_ui->intervalLabel->text());
    m_ui->viewByChannelBox->setAccessibleDescription(tr("One plot per channel"));
    m_ui->zoomHint->setAccessibleName(m_ui->zoomHint->text().trimmed());
    m_ui->cursorReadout->setAccessibleName(tr("Cursor readout"));
    m_ui->pauseBox->setAccessibleDescription(
        tr("Keeps the time axis still while acquisition goes on"));
    m_ui->exportCsvButton->setAccessibleDescription(tr("Saves the acquired values as CSV"));
    m_ui->exportImageButton->setAccessibleDescription(tr("Saves the plots as PNG or PDF"));

    plotArea()->SetSpanMs(monitor::kIntervalChoices[kDefaultInterval].ms);
    plotArea()->SetChannels(m_channels, m_worker.buffers());
    UpdateSummaries();

    connect(m_ui->startButton, &QPushButton::clicked, this, &CGraphMonDlg::OnStart);
    connect(m_ui->stopButton, &QPushButton::clicked, this, &CGraphMonDlg::OnStop);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &CGraphMonDlg::reject);
    connect(m_ui->viewByChannelBox, &QCheckBox::toggled, this, &CGraphMonDlg::OnViewByChannel);
    connect(m_ui->intervalCombo, &QComboBox::currentIndexChanged, this,
            &CGraphMonDlg::OnIntervalChange);
    connect(m_ui->pauseBox, &QCheckBox::toggled, plotArea(), &GraphPlotArea::SetPaused);
    connect(m_ui->exportCsvButton, &QPushButton::clicked, this, &CGraphMonDlg::OnExportCsv);
    connect(m_ui->exportImageButton, &QPushButton::clicked, this, &CGraphMonDlg::OnExportImage);
    connect(plotArea(), &GraphPlotArea::cursorMoved, this, [this] {
        m_ui->cursorReadout->setText(plotArea()->CursorText());
        m_ui->cursorReadout->setAccessibleName(plotArea()->CursorText());
    });
    m_redrawTimer.setInterval(kRedrawMs);
    connect(&m_redrawTimer, &QTimer::timeout, this, &CGraphMonDlg::OnRedrawTimer);
    // The summaries change each second; read aloud only when asked, wherever the focus is.
    m_announcer = new ui::Announcer(this);
    auto* speak = new QAction(tr("Speak the summaries"), this);
    speak->setShortcut(QKeySequence(Qt::Key_F3));
    speak->setShortcutContext(Qt::WindowShortcut);
    connect(speak, &QAction::triggered, this, [this] { m_announcer->Announce(SummariesText()); });
    addAction(speak);
    for (QLabel* label : {m_ui->summary0, m_ui->summary1, m_ui->summary2, m_ui->summary3})
    {
        label->setToolTip(tr("F3 speaks the summaries"));
        // Wrapped between words at the narrowest size, never cut inside a number.
        label->setWordWrap(true);
    }
    m_ui->summaryLayout->setColumnStretch(0, 1);
    m_ui->summaryLayout->setColumnStretch(1, 1);
    m_exportNote = new QLabel(this);
    m_exportNote->setObjectName(QStringLiteral("exportNote"));
    m_exportNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ui->mainLayout->insertWidget(m_ui->mainLayout->indexOf(m_ui->plotArea) + 2, m_exportNote);
    m_askPath = [](QWidget* parent, const QString& title, const QString& proposed,
                   const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, proposed, filter);
    };
    m_askWidth = [](QWidget* parent, int proposed) {
        bool ok = false;
        const int width = QInputDialog::getInt(
            parent, tr("Export Image"), tr("Width in pixels (the height follows):"), proposed,
            100, 20000, 100, &ok);
        return ok ? width : 0;
    };
    m_summaryTimer.setInterval(kSummaryMs);
    connect(&m_summaryTimer, &QTimer::timeout, this, &CGraphMonDlg::UpdateSummaries);
    MakeRecorderGroup();
}

void CGraphMonDlg::MakeRecorderGroup()
{
    m_recorderGroup = new QGroupBox(tr("Target recorder: capture at the control loop's rate"), this);
    m_recorderGroup->setObjectName(QStringLiteral("recorderGroup"));
    m_recorderGroup->setCheckable(true);
    m_recorderGroup->setChecked(false);
    auto* form = new QFormLayout;
    m_triggerCombo = new QComboBox;
    m_triggerCombo->addItem(tr("None: start at once"));
    for (int i = 0; i < m_channels.count(); ++i) m_triggerCombo->addItem(QString::fromStdString(m_channels[i].name));
    m_edgeCombo = new QComboBox;
    m_edgeCombo->addItems({tr("rising"), tr("falling"), tr("either")});
    m_levelEdit = new QLineEdit(QStringLiteral("0"));
    const auto spin = [](int low, int high, int value) {
        auto* box = new QSpinBox;
        box->setRange(low, high);
        box->setValue(value);
        return box;
    };
    m_samplesSpin = spin(1, 65535, 512);
    m_preTriggerSpin = spin(0, 65534, 0);
    m_dividerSpin = spin(1, 65535, 1);
    m_loopHzSpin = spin(1, 10'000'000, 10000);
    m_loopHzSpin->setSuffix(tr(" Hz"));
    m_loopHzSpin->setToolTip(tr("How often the firmware calls QuobinRecorder_Sample: it gives the times"));
    // A row of labelled fields; each label is its field's buddy and accessible name.
    const auto fieldRow = [](std::initializer_list<std::tuple<QString, QWidget*, const char*>> fields) {
        auto* row = new QHBoxLayout;
        for (const auto& [label, field, name] : fields) {
            field->setObjectName(QString::fromLatin1(name));
            field->setAccessibleName(QString(label).remove(QLatin1Char('&')));
            auto* text = new QLabel(label);
            text->setBuddy(field);
            row->addWidget(text);
            row->addWidget(field, 1);
        }
        return row;
    };
    auto* trigger = fieldRow({{tr("&Trigger"), m_triggerCombo, "triggerCombo"},
                              {tr("&Edge"), m_edgeCombo, "edgeCombo"},
                              {tr("&Level"), m_levelEdit, "levelEdit"}});
    auto* samples = fieldRow({{tr("&Samples"), m_samplesSpin, "samplesSpin"},
                              {tr("&Pre-trigger"), m_preTriggerSpin, "preTriggerSpin"},
                              {tr("&Divider"), m_dividerSpin, "dividerSpin"},
                              {tr("Loop &rate"), m_loopHzSpin, "loopHzSpin"}});
    m_recorderStatus = new QLabel;
    m_recorderStatus->setObjectName(QStringLiteral("recorderStatus"));
    m_recorderStatus->setWordWrap(true);
    m_recorderStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The settings take room from the plots only while the group is checked; the status
    // (or why there is no recorder) stays in sight.
    auto* settings = new QWidget;
    auto* settingsLayout = new QFormLayout(settings);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    settingsLayout->addRow(trigger);
    settingsLayout->addRow(samples);
    settings->setVisible(false);
    connect(m_recorderGroup, &QGroupBox::toggled, settings, &QWidget::setVisible);
    form->addRow(settings);
    form->addRow(m_recorderStatus);
    m_recorderGroup->setLayout(form);
    m_ui->mainLayout->insertWidget(m_ui->mainLayout->indexOf(m_ui->buttonLayout), m_recorderGroup);
    SetRecorder({std::nullopt, "no map with a recorder was given"});
}

void CGraphMonDlg::SetRecorder(const monitor::RecorderLookup& recorder)
{
    m_recorderPlace = recorder.place;
    m_recorderGroup->setEnabled(recorder.place.has_value());
    if (!recorder.place) m_recorderGroup->setChecked(false);
    ShowRecorderStatus(recorder.place ? tr("The recorder at %1 holds %2 words.")
                                            .arg(QString::fromStdString(monitor::WordAddressText(recorder.place->address)))
                                            .arg(recorder.place->capacityWords)
                                      : QString::fromStdString(recorder.error));
}

QString CGraphMonDlg::RecorderStatus() const
{
    return m_recorderStatus->text();
}

void CGraphMonDlg::ShowRecorderStatus(const QString& text)
{
    m_recorderStatus->setText(text);
    m_recorderStatus->setAccessibleName(text);
}

bool CGraphMonDlg::RecorderMode() const
{
    return m_recorderPlace && m_recorderGroup->isChecked();
}

const std::array<graph::SampleBuffer, graph::GraphChannels::kMaxChannels>& CGraphMonDlg::ShownBuffers() const
{
    return m_showingCapture ? m_recorder.buffers() : m_worker.buffers();
}

void CGraphMonDlg::StartCapture()
{
    monitor::RecordRequest request;
    request.samples = static_cast<std::uint16_t>(m_samplesSpin->value());
    request.preTrigger = static_cast<std::uint16_t>(m_preTriggerSpin->value());
    request.divider = static_cast<std::uint16_t>(m_dividerSpin->value());
    request.loopHz = static_cast<std::uint32_t>(m_loopHzSpin->value());
    request.edge = static_cast<monitor::recorder::Edge>(m_edgeCombo->currentIndex());
    if (const int trigger = m_triggerCombo->currentIndex(); trigger > 0) {
        bool number = false;
        request.level = m_levelEdit->text().trimmed().toDouble(&number);
        std::int32_t raw = 0;
        const std::string refusal =
            number ? monitor::TriggerLevelOf(graph::RecorderItemOf(m_channels[trigger - 1]), request.level, raw)
                   : "the trigger level is not a number";
        if (!refusal.empty()) {
            ShowRecorderStatus(tr("Not captured: %1").arg(QString::fromStdString(refusal)));
            m_levelEdit->setFocus();
            return;
        }
        request.triggerItem = static_cast<std::size_t>(trigger - 1);
    }
    m_recorder.Start(m_recorderPlace->address, m_channels, request);
    m_showingCapture = true;
    plotArea()->SetBuffers(m_recorder.buffers());
    plotArea()->ResetAxes();
    ShowRecorderStatus(tr("Arming the recorder..."));
    m_ui->startButton->setEnabled(false);
    m_ui->stopButton->setEnabled(true);
    m_recorderGroup->setEnabled(false);
}

// Worker thread: only posts.
void CGraphMonDlg::RecorderProgress(const monitor::RecordProgress& progress)
{
    using Phase = monitor::RecordProgress::Phase;
    const QString text =
        progress.phase == Phase::Uploading
            ? tr("Uploading %1 of %2 words").arg(progress.wordsRead).arg(progress.bufferWords)
        : progress.status.state == monitor::recorder::State::Triggered
            ? tr("Triggered: taking the samples after it")
            : tr("Armed: waiting for the trigger, %1 samples taken").arg(progress.status.samples);
    QMetaObject::invokeMethod(
        this, [this, text] { if (m_recorder.IsRunning()) ShowRecorderStatus(text); }, Qt::QueuedConnection);
}

void CGraphMonDlg::RecorderFinished()
{
    QMetaObject::invokeMethod(this, &CGraphMonDlg::OnCaptureFinished, Qt::QueuedConnection);
}

void CGraphMonDlg::OnCaptureFinished()
{
    if (m_recorder.IsRunning()) return; // a report of a capture replaced since
    m_ui->startButton->setEnabled(true);
    m_ui->stopButton->setEnabled(false);
    m_recorderGroup->setEnabled(true);
    const monitor::RecordResult result = m_recorder.result();
    QString text;
    if (result.interrupted) {
        text = tr("Stopped; the recorder is idle again.");
    } else if (!result.ok()) {
        const std::string why = !result.result.refusal.empty() ? result.result.refusal
                                                                : report::DescribeOutcome(result.result.outcome);
        text = tr("Not captured: %1").arg(QString::fromStdString(why));
    } else {
        const auto first = m_recorder.buffers()[0].Snap();
        text = tr("Captured %1 samples, one every %2 us; time 0 is the %3.")
                   .arg(first.size())
                   .arg(m_recorder.periodUs())
                   .arg(m_triggerCombo->currentIndex() > 0 ? tr("trigger") : tr("first sample"));
        if (!first.empty()) plotArea()->ShowCapture(first[0].timeUs, first.back().timeUs);
    }
    ShowRecorderStatus(text);
    m_announcer->Announce(text);
    UpdateSummaries();
}

CGraphMonDlg::~CGraphMonDlg()
{
    m_worker.StopAndJoin();
    m_recorder.StopAndJoin();
}

GraphPlotArea* CGraphMonDlg::plotArea() const
{
    return m_ui->plotArea;
}

void CGraphMonDlg::ShowRunState(bool running)
{
    m_ui->startButton->setEnabled(!running);
    m_ui->stopButton->setEnabled(running);
    m_stopping = !running;
    if (running) {
        plotArea()->SetRunning(true);
        m_redrawTimer.start();
        m_summaryTimer.start();
    } else if (!m_worker.IsRunning()) {
        FinishStop();
    }
    // Otherwise the redraw timer goes on until the worker's last points are in.
}

void CGraphMonDlg::OnRedrawTimer()
{
    if (m_stopping && !m_worker.IsRunning()) {
        FinishStop();
        return;
    }
    plotArea()->Refresh();
}

void CGraphMonDlg::FinishStop()
{
    m_stopping = false;
    m_redrawTimer.stop();
    m_summaryTimer.stop();
    plotArea()->Refresh();
    plotArea()->SetRunning(false);
    UpdateSummaries();
}

void CGraphMonDlg::OnStart()
{
    if (RecorderMode()) {
        StartCapture();
        return;
    }
    m_showingCapture = false;
    plotArea()->SetBuffers(m_worker.buffers());
    plotArea()->SetSpanMs(monitor::kIntervalChoices[static_cast<std::size_t>(
                              std::max(0, m_ui->intervalCombo->currentIndex()))]
                              .ms);
    // Joins a worker still finishing its last pass, then clears the curves.
    m_worker.Start(m_channels);
    plotArea()->ResetAxes();
    ShowRunState(true);
    // A cursor placed on the last run's curves reads nothing of this one.
    m_ui->cursorReadout->setText(tr("Click a plot to place the cursor"));
    m_ui->cursorReadout->setAccessibleName(tr("Cursor readout"));
}

void CGraphMonDlg::OnStop()
{
    if (m_recorder.IsRunning()) {
        m_recorder.RequestStop(); // the end comes as the capture's report
        ShowRecorderStatus(tr("Stopping the recorder..."));
        return;
    }
    m_worker.RequestStop();
    ShowRunState(false);
}

void CGraphMonDlg::OnViewByChannel(bool checked)
{
    plotArea()->SetViewByChannel(checked);
}

void CGraphMonDlg::OnIntervalChange(int index)
{
    if (index < 0) return;
    plotArea()->SetSpanMs(monitor::kIntervalChoices[static_cast<std::size_t>(index)].ms);
}

void CGraphMonDlg::reject()
{
    m_worker.StopAndJoin();
    m_recorder.StopAndJoin();
    {
        auto lock = m_session.Lock();
        m_session.ClosePodSession();
    }
    ShowRunState(false);
    QDialog::reject();
}

// Worker thread: only posts.
void CGraphMonDlg::StoppedByFailure(const std::string& /*reason*/)
{
    // The window shows no message of its own: the buttons coming back say it.
    QMetaObject::invokeMethod(this, &CGraphMonDlg::OnStoppedByFailure, Qt::QueuedConnection);
}

void CGraphMonDlg::TickFailed()
{
    QMetaObject::invokeMethod(
        this, [this] { plotArea()->Refresh(); }, Qt::QueuedConnection);
}

void CGraphMonDlg::OnStoppedByFailure()
{
    // A START made since has a worker of its own; this report is about the old one.
    if (m_worker.IsRunning()) return;
    ShowRunState(false);
}

QString CGraphMonDlg::ChannelSummary(int channel) const
{
    if (channel >= m_channels.count()) return {};
    const QString name = QString::fromStdString(m_channels[channel].name);
    const auto last = plotArea()->LastSample(channel);
    if (!last) return tr("%1: no value yet").arg(name);
    const graph::SpanStats stats = plotArea()->VisibleStats(channel);
    QString text = tr("%1: last %2").arg(name, Number(last->y));
    if (stats.count > 0)
        text += tr(", min %1, max %2, mean %3")
                    .arg(Number(stats.min), Number(stats.max), Number(stats.mean));
    // The rate reached, which the link and the target decide, not the one asked for.
    if (stats.rate.intervals > 0) text += QStringLiteral(", ") + QString::fromStdString(monitor::RateText(stats.rate));
    return text;
}

QString CGraphMonDlg::SummariesText() const
{
    QStringList lines;
    for (int i = 0; i < m_channels.count(); ++i)
        lines << ChannelSummary(i);
    return lines.join(QStringLiteral(". "));
}

void CGraphMonDlg::UpdateSummaries()
{
    QLabel* labels[] = {m_ui->summary0, m_ui->summary1, m_ui->summary2, m_ui->summary3};
    for (int i = 0; i < 4; ++i) {
        labels[i]->setVisible(i < m_channels.count());
        const QString text = ChannelSummary(i);
        if (labels[i]->text() == text) continue;
        labels[i]->setText(text);
        labels[i]->setAccessibleName(text);
    }
}

bool CGraphMonDlg::ExportCsv(const QString& path) const
{
    std::vector<std::string> names;
    std::vector<graph::SampleBuffer::Snapshot> snapshots;
    for (int i = 0; i < m_channels.count(); ++i) {
        names.push_back(m_channels[i].name);
        snapshots.push_back(ShownBuffers()[static_cast<std::size_t>(i)].Snap());
    }
    std::ofstream out(path.toStdString(), std::ios::binary);
    if (!out) return false;
    graph::WriteSamplesCsv(out, names, snapshots);
    out.close();
    return static_cast<bool>(out);
}

QString CGraphMonDlg::ProposedExportPath(const QString& suffix) const
{
    const QString folder = LastExportFolder().isEmpty() ? QDir::homePath() : LastExportFolder();
    return QDir(folder).filePath(
        m_exportName + QLatin1Char('_') +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) +
        QLatin1Char('.') + suffix);
}

void CGraphMonDlg::SetExportAskers(PathAsker askPath, WidthAsker askWidth)
{
    m_askPath = std::move(askPath);
    m_askWidth = std::move(askWidth);
}

QString CGraphMonDlg::ExportNote() const
{
    return m_exportNote->text();
}

void CGraphMonDlg::NoteExport(const QString& path, bool saved)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!saved) {
        m_exportNote->clear();
        QMessageBox::warning(this, windowTitle(), tr("Cannot write %1.").arg(shown));
        return;
    }
    LastExportFolder() = QFileInfo(path).absolutePath();
    m_exportNote->setText(tr("Saved %1").arg(shown));
    m_exportNote->setAccessibleName(m_exportNote->text());
    m_announcer->Announce(m_exportNote->text());
}

void CGraphMonDlg::OnExportCsv()
{
    const QString path = m_askPath(this, tr("Export CSV"), ProposedExportPath(QStringLiteral("csv")),
                                   tr("CSV files (*.csv)"));
    if (path.isEmpty()) return;
    NoteExport(path, ExportCsv(path));
}

void CGraphMonDlg::OnExportImage()
{
    const QString path =
        m_askPath(this, tr("Export Image"), ProposedExportPath(QStringLiteral("png")),
                  tr("PNG image (*.png);;PDF document (*.pdf)"));
    if (path.isEmpty()) return;
    int width = 0;
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        width = m_askWidth(this, 2 * plotArea()->width());
        if (width <= 0) return;
    }
    NoteExport(path, plotArea()->SaveImage(path, width));
}
