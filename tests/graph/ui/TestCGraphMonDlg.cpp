#include "graph/ui/CGraphMonDlg.h"
#include "graph/ui/GraphPlotArea.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"
#include "tests/app/SpokenTexts.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <qcustomplot.h>

namespace {

const graph::GraphChannel kSine{"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT};
const graph::GraphChannel kTriangle{"triangle", sim::demo::kTriangle, 1, monitor::INT16};
const graph::GraphChannel kCounter{"counter16", sim::demo::kCounter16, 1, monitor::UINT16};
const graph::GraphChannel kStep{"triangleStep", sim::demo::kTriangleStep, 1, monitor::INT16};
const graph::GraphChannel kText{"message", sim::demo::kMessage, 16, monitor::ASCII};

struct Bench {
    explicit Bench(std::vector<graph::GraphChannel> rows, std::uint32_t startMs = 0)
        : clock(startMs), driver(sim::CreateSimDriver({}, clock)), session(*driver, clock),
          dlg(session, rows)
    {
        dlg.show();
    }
    QPushButton* button(const char* name) { return dlg.findChild<QPushButton*>(name); }
    QCheckBox* check(const char* name) { return dlg.findChild<QCheckBox*>(name); }
    QComboBox* interval() { return dlg.findChild<QComboBox*>("intervalCombo"); }

    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> driver;
    pod::PodSession session;
    CGraphMonDlg dlg;
};

double XSpan(QCustomPlot* plot)
{
    return plot->xAxis->range().size();
}

// A plot area over buffers of its own with one channel, following the newest point.
struct Area {
    Area()
    {
        graph::GraphChannels channels;
        channels.Add(kSine);
        area.resize(800, 400);
        area.show();
        area.SetChannels(channels, buffers);
        area.SetRunning(true);
    }
    // A point every 11 ms up to `lastMs`, drawn at once; the newest time in seconds.
    double AppendUntil(std::int64_t lastMs)
    {
        for (; next <= lastMs; next += 11)
            buffers[0].Append({next * 1000, static_cast<double>(next % 1000)});
        area.Refresh(true);
        return static_cast<double>(next - 11) / 1000.0;
    }
    QCPRange range() const { return area.mainPlot()->xAxis->range(); }

    std::array<graph::SampleBuffer, 4> buffers;
    GraphPlotArea area; // after the buffers it draws from
    std::int64_t next = 0;
};

} // namespace

class TestCGraphMonDlg : public QObject {
    Q_OBJECT

private slots:
    void opensCombinedAtTenSecondsWithTheChannelsInTheLegend()
    {
        Bench bench({kSine, kText, kTriangle, kCounter, kStep, kSine});
        QCOMPARE(bench.dlg.windowTitle(), QStringLiteral("Graph Monitoring"));
        QCOMPARE(bench.dlg.minimumSize(), QSize(650, 450));
        QCOMPARE(bench.interval()->count(), 7);
        QCOMPARE(bench.interval()->itemText(0), QStringLiteral("100 ms"));
        QCOMPARE(bench.interval()->currentText(), QStringLiteral("10 s"));
        QVERIFY(bench.button("startButton")->isEnabled());
        QVERIFY(bench.button("stopButton")->isEnabled());
        QVERIFY(bench.button("startButton")->isDefault());

        QCustomPlot* main = bench.dlg.plotArea()->mainPlot();
        QVERIFY(main->isVisible());
        QCOMPARE(main->graphCount(), 4); // the text is no channel; the fifth does not fit
        QCOMPARE(main->graph(1)->name(), QStringLiteral("triangle"));
        QCOMPARE(main->graph(3)->name(), QStringLiteral("triangleStep"));
        QCOMPARE(main->graph(0)->pen().color(), QColor(231, 255, 181));
        QCOMPARE(main->graph(2)->pen().color(), QColor(255, 105, 255));
        QCOMPARE(main->yAxis->range().lower, 0.0);
        QCOMPARE(main->yAxis->range().upper, 1.0);
        QCOMPARE(main->xAxis->range().lower, 0.0);
        QCOMPARE(XSpan(main), 10.0);
        QCOMPARE(main->xAxis->tickLabelColor(), QColor(0xC0, 0xC0, 0xC0));
        for (int k = 0; k < 4; ++k)
            QVERIFY(!bench.dlg.plotArea()->channelPlot(k)->isVisible());
    }

    void byChannelStacksOnePlotPerChannel_data()
    {
        QTest::addColumn<int>("count");
        for (int n = 0; n <= 4; ++n)
            QTest::addRow("%d channels", n) << n;
    }
    void byChannelStacksOnePlotPerChannel()
    {
        {
            // The time axes of stacked plots line up whatever their values.
            Bench four({kSine, kTriangle, kCounter, kStep});
            four.check("viewByChannelBox")->setChecked(true);
            GraphPlotArea* area = four.dlg.plotArea();
            area->channelPlot(2)->yAxis->setRange(0, 4000000); // labels of seven digits
            for (int k = 0; k < 4; ++k) area->channelPlot(k)->replot();
            for (int k = 1; k < 4; ++k)
                QCOMPARE(area->channelPlot(k)->axisRect()->left(), area->channelPlot(0)->axisRect()->left());
            // A legend never lies over the curves, wherever their newest points are.
            for (int k = 0; k < 4; ++k)
                QVERIFY(!area->channelPlot(k)->legend->outerRect().intersects(
                    area->channelPlot(k)->axisRect()->outerRect()));
        }
        QFETCH(int, count);
        const std::vector<graph::GraphChannel> all = {kSine, kTriangle, kCounter, kStep};
        Bench bench(std::vector<graph::GraphChannel>(all.begin(), all.begin() + count));
        bench.dlg.resize(700, 601);
        bench.check("viewByChannelBox")->click();
        GraphPlotArea* area = bench.dlg.plotArea();
        QVERIFY(!area->mainPlot()->isVisible());
        const int h = area->height();
        for (int k = 0; k < 4; ++k) {
            QCustomPlot* plot = area->channelPlot(k);
            QCOMPARE(plot->isVisible(), k < count);
            if (k >= count) continue;
            QCOMPARE(plot->geometry(), QRect(0, k * (h / count), area->width(), h / count));
            QCOMPARE(plot->graph(0)->name(), QString::fromStdString(all[k].name));
        }
        bench.check("viewByChannelBox")->click();
        QVERIFY(area->mainPlot()->isVisible());
        QCOMPARE(area->mainPlot()->geometry(), area->rect());
    }

    void theIntervalSetsTheVisibleSpanAtOnce()
    {
        Bench bench({kSine, kTriangle});
        bench.interval()->setCurrentIndex(2);
        QCOMPARE(bench.interval()->currentText(), QStringLiteral("500 ms"));
        GraphPlotArea* area = bench.dlg.plotArea();
        QCOMPARE(XSpan(area->mainPlot()), 0.5);
        QCOMPARE(XSpan(area->channelPlot(1)), 0.5);
        QCOMPARE(area->visibleEnd() - area->visibleStart(), std::int64_t{500'000});
    }

    void startPlotsStopKeepsExportsAndExitClosesThePod()
    {
        Bench bench({kSine, kTriangle});
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QVERIFY(!bench.button("startButton")->isEnabled());
        QVERIFY(bench.button("stopButton")->isEnabled());
        const auto& worker = bench.dlg.worker();
        QTRY_VERIFY_WITH_TIMEOUT(worker.buffer(1).size() >= 2000, 20000);
        QTest::mouseClick(bench.button("stopButton"), Qt::LeftButton);
        QVERIFY(bench.button("startButton")->isEnabled());
        QVERIFY(!bench.button("stopButton")->isEnabled());
        // The run ends after its pass; the points stay, and the X window, ten seconds wide,
        // ends at the newest of them. Y fits the curves.
        QTRY_VERIFY(!worker.IsRunning());
        GraphPlotArea* area = bench.dlg.plotArea();
        QCustomPlot* main = area->mainPlot();
        const auto newest = worker.buffer(0).Snap().back();
        QTRY_COMPARE(main->xAxis->range().upper, newest.timeUs / 1e6);
        QCOMPARE(XSpan(main), 10.0);
        QVERIFY(main->graph(0)->dataCount() > 0);
        QVERIFY(main->yAxis->range().lower < -99.0);
        QVERIFY(main->yAxis->range().upper > 999.0); // the triangle reaches 1000

        QVERIFY(bench.dlg.ChannelSummary(0).startsWith("sineWave: last "));
        QVERIFY(bench.dlg.ChannelSummary(1).contains(", min -1000, max 1000, mean "));
        // The rate reached and its jitter follow, as polling achieved them.
        QVERIFY(QRegularExpression(", [0-9.]+/s, jitter [0-9.]+ ms$").match(bench.dlg.ChannelSummary(1)).hasMatch());
        QCOMPARE(bench.dlg.findChild<QLabel*>("summary1")->text(), bench.dlg.ChannelSummary(1));

        area->PlaceCursor(22'000);
        const QString readout = bench.dlg.findChild<QLabel*>("cursorReadout")->text();
        QVERIFY2(readout.startsWith("Cursor 00:00:022   sineWave "), qPrintable(readout));
        QVERIFY(readout.contains("   triangle "));

        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QVERIFY(bench.dlg.ExportCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines[0], QByteArray("time_ms,sineWave,triangle"));
        QVERIFY(lines[2].startsWith("22,"));
        QCOMPARE(lines.size(), static_cast<qsizetype>(worker.buffer(0).size() + 2));
        // Export Image proposes a named file, asks the width (twice the plot's by default)
        // and confirms the file under the plots; the next export proposes the same folder.
        int proposedWidth = 0;
        bench.dlg.SetExportName(QStringLiteral("demo"));
        bench.dlg.SetExportAskers(
            [&](QWidget*, const QString&, const QString& proposed, const QString&) {
                const QString name = QFileInfo(proposed).fileName();
                return name.startsWith("demo_") && name.endsWith(".png") ? dir.filePath("plot.png")
                                                                          : QString();
            },
            [&](QWidget*, int proposed) { return proposedWidth = proposed; });
        bench.button("exportImageButton")->click();
        QCOMPARE(proposedWidth, 2 * area->width());
        QCOMPARE(QImage(dir.filePath("plot.png")).width(), proposedWidth);
        QCOMPARE(bench.dlg.ExportNote(), "Saved " + QDir::toNativeSeparators(dir.filePath("plot.png")));
        QCOMPARE(QFileInfo(bench.dlg.ProposedExportPath("csv")).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        QVERIFY(area->SaveImage(dir.filePath("plot.pdf")));
        QVERIFY(QFileInfo(dir.filePath("plot.pdf")).size() > 0);

        // START again clears the curves: the new run starts one tick after its START.
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QTRY_VERIFY(worker.buffer(0).size() >= 1);
        QCOMPARE(worker.buffer(0).Snap()[0].timeUs, std::int64_t{11'000});
        QCOMPARE(bench.dlg.findChild<QLabel*>("cursorReadout")->text(),
                 QStringLiteral("Click a plot to place the cursor"));
        QVERIFY(bench.session.IsOpen());

        QTest::keyClick(&bench.dlg, Qt::Key_Escape); // like EXIT
        QVERIFY(!worker.IsRunning());
        QVERIFY(!bench.session.IsOpen());
        QVERIFY(!bench.dlg.isVisible());
    }

    void aRunOfTwoDaysDrawsAndExportsWithoutWrapping()
    {
        // The 32-bit millisecond clock turns over a few ticks after START.
        Bench bench({kSine}, 0xFFFF'FFFFu - 30);
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        const auto& worker = bench.dlg.worker();
        QTRY_VERIFY(worker.buffer(0).size() >= 5);
        constexpr std::int64_t kTwoDaysMs = 48LL * 3600 * 1000;
        bench.clock.Advance(static_cast<std::uint32_t>(kTwoDaysMs));
        QTRY_VERIFY(worker.buffer(0).Snap().back().timeUs > kTwoDaysMs * 1000);
        QTest::mouseClick(bench.button("stopButton"), Qt::LeftButton);
        QTRY_VERIFY(!worker.IsRunning());

        const graph::Sample newest = worker.buffer(0).Snap().back();
        GraphPlotArea* area = bench.dlg.plotArea();
        QCPGraph* curve = area->mainPlot()->graph(0);
        QTRY_COMPARE(area->mainPlot()->xAxis->range().upper, newest.timeUs / 1e6);
        QCOMPARE((curve->data()->constEnd() - 1)->key, newest.timeUs / 1e6);
        area->PlaceCursor((kTwoDaysMs + 11) * 1000);
        const QString readout = bench.dlg.findChild<QLabel*>("cursorReadout")->text();
        QVERIFY2(readout.startsWith("Cursor 2880:00:011   sineWave "), qPrintable(readout));

        QTemporaryDir dir;
        QVERIFY(bench.dlg.ExportCsv(dir.filePath("run.csv")));
        QFile file(dir.filePath("run.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QVERIFY(lines.back().startsWith(QByteArray::number(newest.timeUs / 1000) + ','));
    }

    void theTimeAxisFollowsTheNewestPointUnlessPaused()
    {
        Area a;
        const double newest = a.AppendUntil(20'000);
        QCOMPARE(a.range().upper, newest);
        QCOMPARE(a.range().size(), 10.0);

        a.area.SetPaused(true);
        const QCPRange still = a.range();
        a.AppendUntil(30'000);
        QCOMPARE(a.range().lower, still.lower);
        QCOMPARE(a.range().upper, still.upper);

        a.area.SetPaused(false);
        QCOMPARE(a.range().upper, a.AppendUntil(30'000));
        QCOMPARE(a.range().size(), 10.0);
    }

    void ctrlAndTheWheelZoomAboutTheMouse_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("angle");
        QTest::addColumn<double>("factor");
        QTest::addRow("ctrl, wheel up") << int(Qt::ControlModifier) << 120 << 0.8;
        QTest::addRow("ctrl, wheel down") << int(Qt::ControlModifier) << -240 << 1.25 * 1.25;
        QTest::addRow("wheel alone") << int(Qt::NoModifier) << 120 << 1.0;
    }
    void ctrlAndTheWheelZoomAboutTheMouse()
    {
        QFETCH(int, modifiers);
        QFETCH(int, angle);
        QFETCH(double, factor);
        Area a;
        a.AppendUntil(20'000);
        a.area.SetRunning(false); // stopped: the window stays where the zoom puts it
        QCustomPlot* plot = a.area.mainPlot();
        const QPointF at(plot->axisRect()->center().x() + 100, plot->axisRect()->center().y());
        const double timeAtMouse = plot->xAxis->pixelToCoord(at.x());
        const double span = a.range().size();
        QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
        QCOMPARE(a.range().size(), span * factor);
        QCOMPARE(plot->xAxis->pixelToCoord(at.x()), timeAtMouse);
    }

    // With the recorder group checked, START has the target's recorder capture the
    // channels every 100 us around the trigger; the plots show exactly the capture, and
    // CSV export writes its sample times. A level that is no number is refused before
    // anything is sent; STOP while waiting stops the recorder.
    void theRecorderCapturesAtTheLoopsRate()
    {
        const graph::GraphChannel current{"current", sim::demo::kCurrent, 1, monitor::INT16};
        Bench bench({kTriangle, current});
        auto* group = bench.dlg.findChild<QGroupBox*>("recorderGroup");
        QVERIFY(!group->isEnabled());
        QCOMPARE(bench.dlg.RecorderStatus(), QStringLiteral("no map with a recorder was given"));
        bench.dlg.SetRecorder({monitor::RecorderPlace{sim::demo::kRecorder, 4096}, {}});
        QVERIFY(group->isEnabled());
        group->setChecked(true);
        bench.dlg.findChild<QComboBox*>("triggerCombo")->setCurrentIndex(1);
        auto* level = bench.dlg.findChild<QLineEdit*>("levelEdit");
        level->setText("5 hundred");
        bench.dlg.findChild<QSpinBox*>("samplesSpin")->setValue(200);
        bench.dlg.findChild<QSpinBox*>("preTriggerSpin")->setValue(20);
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QCOMPARE(bench.dlg.RecorderStatus(), QStringLiteral("Not captured: the trigger level is not a number"));
        QVERIFY(bench.button("startButton")->isEnabled());

        level->setText("500");
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QTRY_COMPARE(bench.dlg.RecorderStatus(),
                     QStringLiteral("Captured 200 samples, one every 100 us; time 0 is the trigger."));
        const auto triangle = bench.dlg.recorder().buffers()[0].Snap();
        QCOMPARE(triangle.size(), std::size_t{200});
        QCOMPARE(triangle[0].timeUs, std::int64_t{-2000});
        QCOMPARE(triangle[20].timeUs, std::int64_t{0});
        QVERIFY(triangle[19].y < 500 && triangle[20].y >= 500);
        const QCPRange shown = bench.dlg.plotArea()->mainPlot()->xAxis->range();
        QCOMPARE(shown.lower, -0.002);
        QCOMPARE(shown.upper, 0.0179);
        QTemporaryDir dir;
        QVERIFY(bench.dlg.ExportCsv(dir.filePath("capture.csv")));
        QFile file(dir.filePath("capture.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines[0], QByteArray("time_ms,triangle,current"));
        QVERIFY(lines[1].startsWith("-2,"));
        QVERIFY(lines[2].startsWith("-1.9,"));

        level->setText("5000"); // the triangle never gets there
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QTRY_VERIFY(bench.dlg.RecorderStatus().startsWith("Armed: waiting for the trigger"));
        QTest::mouseClick(bench.button("stopButton"), Qt::LeftButton);
        QTRY_COMPARE(bench.dlg.RecorderStatus(), QStringLiteral("Stopped; the recorder is idle again."));
        QVERIFY(bench.button("startButton")->isEnabled());
        QCOMPARE(bench.driver->Pod().ReadRam(sim::demo::kRecorder + monitor::recorder::kState, bench.clock.NowUs()),
                 std::uint16_t{0});
    }

    void aLostPodGivesTheButtonsBack()
    {
        Bench bench({kSine});
        bench.driver->Unplug();
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QTRY_VERIFY(bench.button("startButton")->isEnabled());
        QVERIFY(!bench.button("stopButton")->isEnabled());
        QCOMPARE(bench.dlg.worker().buffer(0).size(), 0u);
    }

    void f3SpeaksTheSummaries()
    {
        Bench bench({kSine, kCounter});
        QVERIFY(QTest::qWaitForWindowActive(&bench.dlg));
        SpokenTexts spoken;
        QTest::keyClick(&bench.dlg, Qt::Key_F3);
        QCOMPARE(SpokenTexts::Texts(),
                 QStringList{QStringLiteral("sineWave: no value yet. counter16: no value yet")});
    }

    void everyControlHasAnAccessibleName()
    {
        Bench bench({kSine, kTriangle});
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&bench.dlg);
        QVERIFY(root);
        int interactive = 0;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            const QAccessible::Role role = node->role();
            if (role == QAccessible::PushButton || role == QAccessible::CheckBox ||
                role == QAccessible::ComboBox) {
                ++interactive;
                QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                         qPrintable(node->object() ? node->object()->objectName() : "?"));
            }
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(root);
        QCOMPARE(interactive, 11); // the recorder's group box, trigger and edge included
        QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(bench.interval());
        // Qt names a drop-down list by its choice; its label comes as the labelled-by relation.
        const auto labels = combo->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels[0].first->text(QAccessible::Name), QStringLiteral("View Time Interval"));
        QCOMPARE(combo->text(QAccessible::Value), QStringLiteral("10 s"));
    }
};

QTEST_MAIN(TestCGraphMonDlg)
#include "TestCGraphMonDlg.moc"
