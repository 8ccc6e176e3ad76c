#pragma once

#include <QDialog>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graph/AcquisitionView.h"
#include "graph/AcquisitionWorker.h"
#include "graph/GraphChannels.h"

namespace pod {
class PodSession;
}
namespace Ui {
class CGraphMonDlg;
}
class GraphPlotArea;
namespace ui {
class Announcer;
}

// The modal "Graph Monitoring" window: up to four variables of the running target
// plotted against the time since START, all in one plot or one plot per channel. The
// acquisition worker samples into per-channel buffers; the window redraws from them on a
// timer while the run lasts. Nothing of the window is kept between openings.
class CGraphMonDlg : public QDialog, private graph::AcquisitionView {
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
    void StoppedByFailure() override;
    void TickFailed() override;
    void ShowRunState(bool running);
    void OnRedrawTimer();
    // The worker has ended: the last points are drawn and the timers stop.
    void FinishStop();

    std::unique_ptr<Ui::CGraphMonDlg> m_ui;
    pod::PodSession& m_session;
    graph::GraphChannels m_channels;
    graph::AcquisitionWorker m_worker;
    QTimer m_redrawTimer;
    QTimer m_summaryTimer;
    ui::Announcer* m_announcer = nullptr; // a child: Qt deletes it
    bool m_stopping = false; // STOP pressed, the worker still in its last pass
};
