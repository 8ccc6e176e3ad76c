#include "graph/ui/GraphPlotArea.h"

#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>
#include <QWheelEvent>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// The plots' time axis counts in seconds; the samples in microseconds.
constexpr double kUsPerSecond = 1e6;
// Zooming out stops at a week on screen.
constexpr double kMaxViewSeconds = 7 * 86400.0;
// The main plot's value axis belongs to no channel.
const QColor kNeutralAxis(0xC0, 0xC0, 0xC0);
const QColor kGrid(0x40, 0x40, 0x40);
// One Ctrl + wheel notch shows this share of the span.
constexpr double kZoomStep = 0.8;

QColor ChannelColor(int channel)
{
    return QColor::fromRgb(GraphPlotArea::kChannelColors.at(static_cast<std::size_t>(channel)));
}

void StyleAxis(QCPAxis* axis, const QColor& color)
{
    axis->setBasePen(QPen(color));
    axis->setTickPen(QPen(color));
    axis->setSubTickPen(QPen(color));
    axis->setTickLabelColor(color);
    axis->setLabelColor(color);
    axis->grid()->setPen(QPen(kGrid, 0, Qt::DotLine));
    axis->grid()->setZeroLinePen(QPen(kGrid, 0, Qt::DotLine));
}

double ToSeconds(std::int64_t timeUs)
{
    return static_cast<double>(timeUs) / kUsPerSecond;
}

std::int64_t ToUs(double seconds)
{
    return std::llround(seconds * kUsPerSecond);
}

// "mm:ss:zzz", a recorder's finer times "mm:ss:zzzuuu", and before its trigger with a "-".
QString TimeText(std::int64_t us)
{
    const std::int64_t magnitude = us < 0 ? -us : us;
    const std::int64_t ms = magnitude / 1000;
    QString text = QStringLiteral("%1%2:%3:%4")
                       .arg(us < 0 ? QStringLiteral("-") : QString())
                       .arg(ms / 60'000, 2, 10, QLatin1Char('0'))
                       .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    if (magnitude % 1000 != 0) text += QStringLiteral("%1").arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

} // namespace

GraphPlotArea::GraphPlotArea(QWidget* parent) : QWidget(parent)
{
    m_main = MakePlot(true);
    m_main->setAccessibleName(tr("All channels"));
    for (std::size_t k = 0; k < m_small.size(); ++k) {
        m_small[k] = MakePlot(false);
        m_small[k]->hide();
    }
    m_cursorLines[0] = m_main->findChild<QCPItemStraightLine*>();
    ResetAxes();
}

QCustomPlot* GraphPlotArea::MakePlot(bool main)
{
    auto* plot = new QCustomPlot(this);
    plot->setBackground(Qt::black);
    plot->axisRect()->setBackground(Qt::black);
    // Thin lines without antialiasing keep a frame of four long curves cheap.
    plot->setNotAntialiasedElements(QCP::aeAll);
    auto ticker = QSharedPointer<QCPAxisTickerTime>::create();
    ticker->setTimeFormat(QStringLiteral("%m:%s:%z")); // minutes:seconds:milliseconds
    plot->xAxis->setTicker(ticker);
    StyleAxis(plot->xAxis, kNeutralAxis);
    StyleAxis(plot->yAxis, kNeutralAxis);
    // Whole numbers up to ten digits in full (103840, not 1.0384e+05).
    plot->yAxis->setNumberPrecision(10);
    // One value-label width for every plot, so that the time axes of stacked plots line up
    // whatever their values; it holds a ten-digit number with its sign.
    // The top keeps room for half the highest value label, no more: the legend line sits
    // right above it.
    plot->axisRect()->setAutoMargins(QCP::msRight | QCP::msBottom);
    plot->axisRect()->setMargins(
        QMargins(QFontMetrics(font()).horizontalAdvance(QStringLiteral("-0000000000")) + 12,
                 QFontMetrics(font()).height() / 2 + 2, 0, 0));
    // A line of its own above the axis rect: inside it the legend hid the curves at
    // whichever corner the newest points came in (the left until the span fills, then the
    // right). The same height in every plot, so stacked time axes still line up.
    plot->axisRect()->insetLayout()->take(plot->legend);
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(0, 0, plot->legend);
    plot->plotLayout()->setRowStretchFactor(0, 0.001);
    plot->plotLayout()->setRowSpacing(0);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setMargins(QMargins(0, 2, 0, 0));
    plot->legend->setVisible(main);
    plot->legend->setBrush(Qt::NoBrush);
    plot->legend->setBorderPen(Qt::NoPen);
    plot->legend->setTextColor(Qt::white);
    QFont legendFont = font();
    legendFont.setPointSizeF(legendFont.pointSizeF() * 0.9);
    plot->legend->setFont(legendFont);
    auto* line = new QCPItemStraightLine(plot);
    line->setPen(QPen(Qt::white, 0, Qt::DashLine));
    line->setVisible(false);
    line->setClipToAxisRect(true);
    plot->installEventFilter(this);
    plot->setFocusPolicy(Qt::NoFocus);
    return plot;
}

void GraphPlotArea::SetChannels(const graph::GraphChannels& channels,
                                const std::array<graph::SampleBuffer, 4>& buffers)
{
    m_channels = channels;
    m_buffers = &buffers;
    m_main->clearGraphs();
    for (int i = 0; i < channels.count(); ++i) {
        QCPGraph* graph = m_main->addGraph();
        graph->setPen(QPen(ChannelColor(i)));
        graph->setName(QString::fromStdString(channels[i].name));
    }
    for (int k = 0; k < 4; ++k) {
        QCustomPlot* plot = channelPlot(k);
        plot->clearGraphs();
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(ChannelColor(k)));
        const QString name = k < channels.count() ? QString::fromStdString(channels[k].name) : "";
        graph->setName(name);
        plot->legend->setVisible(!name.isEmpty());
        StyleAxis(plot->yAxis, ChannelColor(k));
        plot->setAccessibleName(name.isEmpty() ? QString() : tr("Channel %1").arg(name));
    }
    for (std::size_t i = 0; i < m_cursorLines.size(); ++i) {
        QCustomPlot* plot = i == 0 ? m_main : m_small[i - 1];
        m_cursorLines[i] = plot->findChild<QCPItemStraightLine*>();
    }
    LayoutPlots();
}

void GraphPlotArea::SetViewByChannel(bool byChannel)
{
    m_byChannel = byChannel;
    LayoutPlots();
    Refresh();
}

void GraphPlotArea::LayoutPlots()
{
    const int w = width();
    const int h = height();
    m_main->setVisible(!m_byChannel);
    m_main->setEnabled(!m_byChannel);
    if (!m_byChannel) m_main->setGeometry(0, 0, w, h);
    const int count = m_channels.count();
    for (int k = 0; k < 4; ++k) {
        const bool shown = m_byChannel && k < count;
        m_small[static_cast<std::size_t>(k)]->setVisible(shown);
        m_small[static_cast<std::size_t>(k)]->setEnabled(shown);
        if (!shown) continue;
        QCustomPlot* plot = m_small[static_cast<std::size_t>(k)];
        plot->setGeometry(0, k * (h / count), w, h / count);
        // A value label every three text lines at most, so that labels never overlap in
        // the low plots of four channels.
        const int lineHeight = QFontMetrics(plot->yAxis->tickLabelFont()).height();
        plot->yAxis->ticker()->setTickCount(std::clamp(h / count / (3 * lineHeight), 2, 5));
    }
}

void GraphPlotArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPlots();
}

std::vector<QCustomPlot*> GraphPlotArea::VisiblePlots() const
{
    if (!m_byChannel) return {m_main};
    return std::vector<QCustomPlot*>(m_small.begin(), m_small.begin() + m_channels.count());
}

void GraphPlotArea::SetSpanMs(std::uint32_t spanMs)
{
    m_spanMs = spanMs;
    m_viewSeconds = spanMs / 1000.0;
    Refresh();
}

void GraphPlotArea::ResetAxes()
{
    m_lowerSeconds = 0.0;
    m_viewSeconds = m_spanMs / 1000.0;
    for (QCustomPlot* plot : std::initializer_list<QCustomPlot*>{m_main, m_small[0], m_small[1],
                                                                 m_small[2], m_small[3]}) {
        plot->yAxis->setRange(0.0, 1.0);
        for (int g = 0; g < plot->graphCount(); ++g)
            plot->graph(g)->data()->clear();
    }
    ApplyXRange(0.0);
}

void GraphPlotArea::SetRunning(bool running)
{
    m_running = running;
}

void GraphPlotArea::SetPaused(bool paused)
{
    m_paused = paused;
    Refresh();
}

std::int64_t GraphPlotArea::visibleStart() const
{
    return ToUs(m_lowerSeconds);
}

std::int64_t GraphPlotArea::visibleEnd() const
{
    return ToUs(m_lowerSeconds + m_viewSeconds);
}

void GraphPlotArea::ApplyXRange(double lowerSeconds)
{
    m_lowerSeconds = lowerSeconds;
    for (QCustomPlot* plot : std::initializer_list<QCustomPlot*>{m_main, m_small[0], m_small[1],
                                                                 m_small[2], m_small[3]})
        plot->xAxis->setRange(lowerSeconds, lowerSeconds + m_viewSeconds);
}

void GraphPlotArea::Refresh(bool immediate)
{
    if (!m_buffers) return;
    double newest = 0.0;
    for (int i = 0; i < m_channels.count(); ++i) {
        auto& snapshot = m_snapshots[static_cast<std::size_t>(i)];
        snapshot = (*m_buffers)[static_cast<std::size_t>(i)].Snap();
        if (!snapshot.empty()) newest = std::max(newest, ToSeconds(snapshot.back().timeUs));
    }
    if (m_running && !m_paused)
        ApplyXRange(std::max(m_viewSeconds, newest) - m_viewSeconds);
    else
        ApplyXRange(m_lowerSeconds);

    const std::int64_t x0 = visibleStart();
    const std::int64_t x1 = visibleEnd();
    double low = 0.0;
    double high = 0.0;
    bool any = false;
    QVector<QCPGraphData> data;
    for (int i = 0; i < m_channels.count(); ++i) {
        QCustomPlot* plot = m_byChannel ? m_small[static_cast<std::size_t>(i)] : m_main;
        QCPGraph* graph = m_byChannel ? plot->graph(0) : plot->graph(i);
        graph::PointsToDraw(m_snapshots[static_cast<std::size_t>(i)], x0, x1,
                            static_cast<std::size_t>(std::max(plot->width(), 1)), m_points);
        data.resize(static_cast<qsizetype>(m_points.size()));
        double channelLow = 0.0;
        double channelHigh = 0.0;
        for (std::size_t p = 0; p < m_points.size(); ++p) {
            data[static_cast<qsizetype>(p)] = {ToSeconds(m_points[p].timeUs), m_points[p].y};
            if (p == 0) channelLow = channelHigh = m_points[p].y;
            channelLow = std::min(channelLow, m_points[p].y);
            channelHigh = std::max(channelHigh, m_points[p].y);
        }
        graph->data()->set(data, true);
        if ((m_running || m_fitOnce) && !m_points.empty()) {
            if (m_byChannel) {
                const double pad =
                    channelHigh > channelLow ? (channelHigh - channelLow) * 0.05 : 0.5;
                plot->yAxis->setRange(channelLow - pad, channelHigh + pad);
            }
            low = any ? std::min(low, channelLow) : channelLow;
            high = any ? std::max(high, channelHigh) : channelHigh;
            any = true;
        }
    }
    if (any && !m_byChannel) {
        const double pad = high > low ? (high - low) * 0.05 : 0.5;
        m_main->yAxis->setRange(low - pad, high + pad);
    }
    for (QCustomPlot* plot : VisiblePlots())
        plot->replot(immediate ? QCustomPlot::rpImmediateRefresh : QCustomPlot::rpQueuedReplot);
}

void GraphPlotArea::ShowCapture(std::int64_t fromUs, std::int64_t toUs)
{
    m_running = false;
    m_viewSeconds = std::max(ToSeconds(toUs - fromUs), 1e-6);
    ApplyXRange(ToSeconds(fromUs));
    m_fitOnce = true;
    Refresh(true);
    m_fitOnce = false;
}

graph::SpanStats GraphPlotArea::VisibleStats(int channel) const
{
    return graph::StatsOf(m_snapshots.at(static_cast<std::size_t>(channel)), visibleStart(),
                          visibleEnd());
}

std::optional<graph::Sample> GraphPlotArea::LastSample(int channel) const
{
    const auto& snapshot = m_snapshots.at(static_cast<std::size_t>(channel));
    if (snapshot.empty()) return std::nullopt;
    return snapshot.back();
}

void GraphPlotArea::PlaceCursor(std::int64_t timeUs)
{
    m_cursor = timeUs;
    for (QCPItemStraightLine* line : m_cursorLines) {
        if (!line) continue;
        line->point1->setCoords(ToSeconds(timeUs), 0.0);
        line->point2->setCoords(ToSeconds(timeUs), 1.0);
        line->setVisible(true);
    }
    for (QCustomPlot* plot : VisiblePlots())
        plot->replot(QCustomPlot::rpQueuedReplot);
    emit cursorMoved();
}

QString GraphPlotArea::CursorText() const
{
    if (!m_cursor) return {};
    QString text = tr("Cursor %1").arg(TimeText(*m_cursor));
    for (int i = 0; i < m_channels.count(); ++i) {
        const auto sample = graph::SampleAt(m_snapshots[static_cast<std::size_t>(i)], *m_cursor);
        text += QStringLiteral("   %1 %2")
                    .arg(QString::fromStdString(m_channels[i].name),
                         sample ? QString::number(sample->y, 'g', 7) : QStringLiteral("-"));
    }
    return text;
}

void GraphPlotArea::ZoomAt(QCustomPlot* plot, double atSeconds, double factor)
{
    Q_UNUSED(plot);
    const double view = std::clamp(m_viewSeconds * factor, 0.01, kMaxViewSeconds);
    const double lower = atSeconds - (atSeconds - m_lowerSeconds) * (view / m_viewSeconds);
    m_viewSeconds = view;
    ApplyXRange(std::max(0.0, lower));
    Refresh();
}

bool GraphPlotArea::eventFilter(QObject* watched, QEvent* event)
{
    auto* plot = qobject_cast<QCustomPlot*>(watched);
    if (!plot) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
        const double notches = wheel->angleDelta().y() / 120.0;
        if (notches != 0.0)
            ZoomAt(plot, plot->xAxis->pixelToCoord(wheel->position().x()),
                   std::pow(kZoomStep, notches));
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton &&
            plot->axisRect()->rect().contains(press->position().toPoint()))
            PlaceCursor(ToUs(plot->xAxis->pixelToCoord(press->position().x())));
    }
    return false;
}

bool GraphPlotArea::SaveImage(const QString& path, int pixelWidth)
{
    const bool pdf =
        QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    // Drawn at a scale rather than stretched, so lines and labels stay sharp.
    const double scale = pixelWidth > 0 && width() > 0 ? double(pixelWidth) / width() : 1.0;
    if (!m_byChannel)
        return pdf ? m_main->savePdf(path)
                   : m_main->savePng(path, m_main->width(), m_main->height(), scale);
    if (!pdf) {
        QPixmap picture(size() * scale);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::white);
        render(&picture);
        return picture.save(path, "PNG");
    }
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(size()), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    render(&painter);
    return painter.end();
}
