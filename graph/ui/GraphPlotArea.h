#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "graph/GraphChannels.h"
#include "graph/SampleBuffer.h"
#include "graph/SampleQueries.h"

class QCustomPlot;
class QCPItemStraightLine;

// The plots of the graph window: one main plot with every channel, and one plot per
// channel for the "View by channel." layout, stacked in the area without gaps. The
// curves are drawn from the channels' sample buffers when Refresh() runs (the window
// calls it on a timer), never per point: each refresh hands the plots only the points of
// the visible span, thinned to the plot's width, so a frame costs the same after an hour
// as after a second. The samples carry milliseconds since START; the plots' keys are
// seconds since START (the time axis counts in seconds), converted here and nowhere else.
class GraphPlotArea : public QWidget {
    Q_OBJECT

public:
    // The curves' colours as RGB, channel i in entry i; light colours on the plots' dark
    // background.
    static constexpr std::array<std::uint32_t, 4> kChannelColors = {0xE7FFB5, 0x94FFDE, 0xFF69FF,
                                                                    0xD6D7D6};

    explicit GraphPlotArea(QWidget* parent = nullptr);

    // Curves for the channels, drawn from `buffers` (channel i from buffer i), which
    // outlive this widget.
    void SetChannels(const graph::GraphChannels& channels,
                     const std::array<graph::SampleBuffer, 4>& buffers);
    int channelCount() const { return m_channels.count(); }

    void SetViewByChannel(bool byChannel);
    bool viewByChannel() const { return m_byChannel; }
    // The visible time span; takes effect at once.
    void SetSpanMs(std::uint32_t spanMs);
    std::uint32_t spanMs() const { return m_spanMs; }
    // X from 0 over the span, Y from 0.0 over 1.0 (a new run).
    void ResetAxes();
    // While running the X window follows the newest point and Y fits the visible data.
    void SetRunning(bool running);
    // Pause: the X window stays where it is while acquisition goes on.
    void SetPaused(bool paused);
    bool paused() const { return m_paused; }

    // Draws the newest points; `immediate` paints before returning instead of at the
    // next event loop pass.
    void Refresh(bool immediate = false);
    // Shows [fromUs, toUs] whole with Y fitted to it, and keeps it there: a finished
    // capture of the target's recorder.
    void ShowCapture(std::int64_t fromUs, std::int64_t toUs);
    // Draws from other buffers (a capture's instead of the acquisition's).
    void SetBuffers(const std::array<graph::SampleBuffer, 4>& buffers) { m_buffers = &buffers; }

    // The visible time span in microseconds since START.
    std::int64_t visibleStart() const;
    std::int64_t visibleEnd() const;
    graph::SpanStats VisibleStats(int channel) const;
    std::optional<graph::Sample> LastSample(int channel) const;

    // The cursor: a vertical line through every plot at a time (us since START).
    void PlaceCursor(std::int64_t timeUs);
    std::optional<std::int64_t> cursor() const { return m_cursor; }
    // "Cursor mm:ss.zzz  name value  ..." or "" without a cursor.
    QString CursorText() const;

    // The plots as shown, to a PNG or (by the suffix .pdf) a PDF file.
    // A PNG is `pixelWidth` wide (0: as on screen), its height in proportion.
    bool SaveImage(const QString& path, int pixelWidth = 0);

    QCustomPlot* mainPlot() const { return m_main; }
    QCustomPlot* channelPlot(int index) const
    {
        return m_small.at(static_cast<std::size_t>(index));
    }

signals:
    void cursorMoved();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCustomPlot* MakePlot(bool main);
    void LayoutPlots();
    std::vector<QCustomPlot*> VisiblePlots() const;
    void ApplyXRange(double lowerSeconds);
    void ZoomAt(QCustomPlot* plot, double atSeconds, double factor);

    QCustomPlot* m_main = nullptr;
    std::array<QCustomPlot*, 4> m_small{};
    std::array<QCPItemStraightLine*, 5> m_cursorLines{};
    graph::GraphChannels m_channels;
    const std::array<graph::SampleBuffer, 4>* m_buffers = nullptr;
    std::array<graph::SampleBuffer::Snapshot, 4> m_snapshots;
    bool m_byChannel = false;
    bool m_running = false;
    bool m_paused = false;
    bool m_fitOnce = false; // the next refresh fits Y though not running
    std::uint32_t m_spanMs = 10'000;
    double m_viewSeconds = 10.0; // the span shown; Ctrl + wheel changes it
    double m_lowerSeconds = 0.0; // left edge of the X window
    std::optional<std::int64_t> m_cursor;
    std::vector<graph::Sample> m_points; // reused by every refresh
};
