#include "CGraphMonDlg.h"
#include "GraphPlotArea.h"

#include "graph/DayFraction.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"
#include "tests/app/SpokenTexts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

namespace {

const graph::GraphChannel kSine{"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT};
const graph::GraphChannel kTriangle{"triangle", sim::demo::kTriangle, 1, monitor::INT16};
const graph::GraphChannel kCounter{"counter16", sim::demo::kCounter16, 1, monitor::UINT16};
const graph::GraphChannel kStep{"triangleStep", sim::demo::kTriangleStep, 1, monitor::INT16};
const graph::GraphChannel kText{"message", sim::demo::kMessage, 16, monitor::ASCII};

struct Bench {
    explicit Bench(std::vector<graph::GraphChannel> rows)
        : driver(sim::CreateSimDriver({}, clock)), session(*driver, clock), dlg(session, rows)
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
        QCOMPARE(area->visibleEnd() - area->visibleStart(), 500.0 / 86'400'000.0);
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
        QTRY_COMPARE(main->xAxis->range().upper, newest.x * 86400.0);
        QCOMPARE(XSpan(main), 10.0);
        QVERIFY(main->graph(0)->dataCount() > 0);
        QVERIFY(main->yAxis->range().lower < -99.0);
        QVERIFY(main->yAxis->range().upper > 999.0); // the triangle reaches 1000

        QVERIFY(bench.dlg.ChannelSummary(0).startsWith("sineWave: last "));
        QVERIFY(bench.dlg.ChannelSummary(1).contains(", min -1000, max 1000, mean "));
        QCOMPARE(bench.dlg.findChild<QLabel*>("summary1")->text(), bench.dlg.ChannelSummary(1));

        area->PlaceCursor(graph::ElapsedToDayFraction(22));
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
        QVERIFY(lines[1].startsWith("11,"));
        QVERIFY(lines[2].startsWith("22,"));
        QCOMPARE(lines.size(), static_cast<qsizetype>(worker.buffer(0).size() + 2));
        QVERIFY(area->SaveImage(dir.filePath("plot.png")));
        QVERIFY(area->SaveImage(dir.filePath("plot.pdf")));
        QVERIFY(QFileInfo(dir.filePath("plot.pdf")).size() > 0);

        // START again clears the curves: the new run starts one tick after its START.
        QTest::mouseClick(bench.button("startButton"), Qt::LeftButton);
        QTRY_VERIFY(worker.buffer(0).size() >= 1);
        QCOMPARE(worker.buffer(0).Snap()[0].x, graph::ElapsedToDayFraction(11));
        QVERIFY(bench.session.IsOpen());

        QTest::keyClick(&bench.dlg, Qt::Key_Escape); // like EXIT
        QVERIFY(!worker.IsRunning());
        QVERIFY(!bench.session.IsOpen());
        QVERIFY(!bench.dlg.isVisible());
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
        QCOMPARE(interactive, 8);
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
