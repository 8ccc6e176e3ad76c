#pragma once

#include <QDialog>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "graph/AcquisitionView.h"
#include "graph/AcquisitionWorker.h"
#include "graph/GraphChannels.h"
#include "graph/RecorderWorker.h"
#include "monitor/RecorderSymbol.h"

namespace pod {
class PodSession;
}
namespace Ui {
class CGraphMonDlg;
}
class GraphPlotArea;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
namespace ui {
class Announcer;
}

// The modal "Graph Monitoring" window: up to four variables of the running target
// plotted against the time since START, all in one plot or one plot per channel. The
// acquisition worker samples into per-channel buffers; the window redraws from them on a
// timer while the run lasts. With the "Target recorder" group checked, START instead has
// the firmware's recorder capture the channels at the control loop's own rate, and the
// plots show the capture at its exact sample times. Nothing of the window is kept between
// openings.
class CGraphMonDlg : public QDialog, private graph::AcquisitionView, private graph::RecorderView {
    Q_OBJECT

public:
    // "View Time Interval" choices are monitor::kIntervalChoices; "10 s" is preselected.
    static constexpr int kRedrawMs = 33;    // about 30 frames a second
    static constexpr int kSummaryMs = 1000; // a screen reader is not flooded

    // `rows`: the selected rows of the symbol watch list, in list order, each with the view
    // type the row shows; texts and rows past the fourth channel are left out.
    CGraphMonDlg(pod::PodSession& session, const std::vector<graph::GraphChannel>& rows,
                 QWidget* parent = nullptr);
    // Ends a running acquisition before the window goes.
    ~CGraphMonDlg() override;

    const graph::GraphChannels& channels() const { return m_channels; }
    const graph::AcquisitionWorker& worker() const { return m_worker; }
    GraphPlotArea* plotArea() const;
    // The acquired points as CSV; false when the file cannot be written.
    bool ExportCsv(const QString& path) const;
    // Channel i's line: name, last value, min / max / mean of the visible span.
    QString ChannelSummary(int channel) const;
    // Every channel's summary in one text, as F3 speaks it.
    QString SummariesText() const;

    // What exported files are named after (the map's name); "graph" until given.
    void SetExportName(const QString& name) { m_exportName = name; }
    // The file an export proposes: "<name>_<yyyyMMdd_HHmmss>.<suffix>" in the folder the
    // last export of this session went to, else the home folder.
    QString ProposedExportPath(const QString& suffix) const;
    // The width a PNG export is asked for, for tests; the default asks the user.
    using WidthAsker = std::function<int(QWidget* parent, int proposed)>;
    using PathAsker = std::function<QString(QWidget* parent, const QString& title,
                                            const QString& proposed, const QString& filter)>;
    void SetExportAskers(PathAsker askPath, WidthAsker askWidth);
    // The line under the plots that confirms the last export.
    QString ExportNote() const;

    // The target's recorder the map names, or why there is none: its group captures the
    // channels at the control loop's own rate instead of polling them.
    void SetRecorder(const monitor::RecorderLookup& recorder);
    // What the recorder is doing, or how its last capture ended.
    QString RecorderStatus() const;
    const graph::RecorderWorker& recorder() const { return m_recorder; }

public slots:
    // EXIT, Esc and the close box: the run ends and the POD is closed before the window
    // closes, so the next user of the POD opens it afresh.
    void reject() override;

private slots:
    void OnStart();
    void OnStop();
    void OnViewByChannel(bool checked);
    void OnIntervalChange(int index);
    void OnExportCsv();
    void OnExportImage();
    void OnStoppedByFailure();
    void UpdateSummaries();

private:
    void StoppedByFailure(const std::string& reason) override;
    void TickFailed() override;
    void RecorderProgress(const monitor::RecordProgress& progress) override;
    void RecorderFinished() override;
    void MakeRecorderGroup();
    bool RecorderMode() const;
    void StartCapture();
    void OnCaptureFinished();
    void ShowRecorderStatus(const QString& text);
    const std::array<graph::SampleBuffer, graph::GraphChannels::kMaxChannels>& ShownBuffers() const;
    void ShowRunState(bool running);
    void OnRedrawTimer();
    // The worker has ended: the last points are drawn and the timers stop.
    void FinishStop();
    void NoteExport(const QString& path, bool saved);

    std::unique_ptr<Ui::CGraphMonDlg> m_ui;
    pod::PodSession& m_session;
    graph::GraphChannels m_channels;
    graph::AcquisitionWorker m_worker;
    QTimer m_redrawTimer;
    QTimer m_summaryTimer;
    ui::Announcer* m_announcer = nullptr; // a child: Qt deletes it
    bool m_stopping = false; // STOP pressed, the worker still in its last pass
    QString m_exportName = QStringLiteral("graph");
    PathAsker m_askPath;
    WidthAsker m_askWidth;
    QLabel* m_exportNote = nullptr; // a child
    std::optional<monitor::RecorderPlace> m_recorderPlace;
    bool m_showingCapture = false; // the plots show the recorder's buffers
    // The recorder's group and its fields (children).
    QGroupBox* m_recorderGroup = nullptr;
    QComboBox* m_triggerCombo = nullptr;
    QComboBox* m_edgeCombo = nullptr;
    QLineEdit* m_levelEdit = nullptr;
    QSpinBox* m_samplesSpin = nullptr;
    QSpinBox* m_preTriggerSpin = nullptr;
    QSpinBox* m_dividerSpin = nullptr;
    QSpinBox* m_loopHzSpin = nullptr;
    QLabel* m_recorderStatus = nullptr;
    graph::RecorderWorker m_recorder; // last: its thread reports to the members above
};
