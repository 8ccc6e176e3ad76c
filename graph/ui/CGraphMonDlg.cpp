#include "graph/ui/CGraphMonDlg.h"

#include "graph/ui/GraphPlotArea.h"
#include "ui_CGraphMonDlg.h"

#include "pod/PodSession.h"

#include "graph/SamplesCsv.h"
#include "monitor/IntervalChoices.h"
#include "ui/Announcer.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include <cmath>
#include <fstream>

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
      m_worker(session, *this)
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
}

CGraphMonDlg::~CGraphMonDlg()
{
    m_worker.StopAndJoin();
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
        snapshots.push_back(m_worker.buffer(i).Snap());
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
