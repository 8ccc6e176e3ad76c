// quobin_graph_shot FILE [SECONDS] [--recorder]: opens the graph window on the emulated
// POD (real-time wire) with the demo program's sine wave, triangle and 32-bit counter, one
// plot per channel, presses START, and after a few seconds saves the window's picture to
// FILE. With --recorder the channels are the triangle and the current with its 1 kHz
// ripple, captured by the demo's recorder around the triangle rising through 500. Used by
// scripts/screenshot.

#include "graph/ui/CGraphMonDlg.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QImageWriter>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quobin_graph_shot FILE [SECONDS]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 4;
    const bool recorder = argc > 3 && std::strcmp(argv[3], "--recorder") == 0;
    QApplication application(argc, argv);

    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    const std::vector<graph::GraphChannel> polled = {{"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT},
                                                     {"triangle", sim::demo::kTriangle, 1, monitor::INT16},
                                                     {"counter32", sim::demo::kCounter32, 2, monitor::UINT32}};
    const std::vector<graph::GraphChannel> captured = {{"triangle", sim::demo::kTriangle, 1, monitor::INT16},
                                                       {"current", sim::demo::kCurrent, 1, monitor::INT16}};
    CGraphMonDlg dlg(session, recorder ? captured : polled);
    if (recorder) {
        dlg.SetRecorder({monitor::RecorderPlace{sim::demo::kRecorder, sim::demo::kRecorderBufferWords}, {}});
        dlg.findChild<QGroupBox*>("recorderGroup")->setChecked(true);
        dlg.findChild<QComboBox*>("triggerCombo")->setCurrentIndex(1);
        dlg.findChild<QLineEdit*>("levelEdit")->setText(QStringLiteral("500"));
        dlg.findChild<QSpinBox*>("samplesSpin")->setValue(300);
        dlg.findChild<QSpinBox*>("preTriggerSpin")->setValue(100);
    }
    // One plot per channel: the stacked time axes and a counter's whole numbers show.
    dlg.findChild<QCheckBox*>("viewByChannelBox")->setChecked(true);
    dlg.resize(800, 600);
    int exitCode = 0;
    QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QPushButton*>("startButton")->click(); });
    QTimer::singleShot(seconds * 1000, &dlg, [&] {
        QImageWriter writer(file);
        if (!writer.write(dlg.grab().toImage())) {
            std::fprintf(stderr, "quobin_graph_shot: cannot write %s: %s\n", qPrintable(file),
                         qPrintable(writer.errorString()));
            exitCode = 1;
        }
        dlg.reject();
    });
    dlg.exec();
    return exitCode;
}
