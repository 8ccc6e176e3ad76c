// The monitoring window's own cost: the window (offscreen) monitors 30 rows every 100 ms on
// the emulated POD's real-time wire for 10 s. The figure is the CPU time of the UI thread,
// which holds the window, against the wall time; the worker and the emulator run on
// threads of their own and are shown apart.

#include "monitor/ui/CMonDlg.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int kMc56f8367 = 27;
constexpr int kRows = 30;
constexpr int kRunMs = 10'000;

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The demo's changing variables as symbol rows, then raw words from the counters on, up
// to kRows rows, kept beside the map as the window keeps them.
void WriteWatchList(const QString& monPath)
{
    const char* const symbols[] = {"counter16", "counter32", "sineWave", "triangle", "message"};
    const int addresses = kRows - static_cast<int>(std::size(symbols));
    QFile file(monPath);
    if (!file.open(QIODevice::WriteOnly)) return;
    QByteArray text = QByteArray::number(static_cast<int>(std::size(symbols))) + ',' +
                      QByteArray::number(addresses) + "\r\n";
    const int types[] = {monitor::UINT16, monitor::UINT32, monitor::FLOAT, monitor::INT16,
                         monitor::ASCII};
    for (std::size_t i = 0; i < std::size(symbols); ++i)
        text += QByteArray(symbols[i]) + ',' + QByteArray::number(types[i]) + "\r\n";
    for (int i = 0; i < addresses; ++i)
        text += QStringLiteral("0x%1,%2\r\n")
                    .arg(sim::demo::kCounter16 + static_cast<std::uint32_t>(i), 6, 16,
                         QLatin1Char('0'))
                    .arg(static_cast<int>(monitor::HEX16))
                    .toLatin1();
    file.write(text);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("demo.xMAP"));
    QFile::copy(QStringLiteral(QUOBIN_DEMO_MAP), map);
    WriteWatchList(folder.filePath(QStringLiteral("demo.Mon")));

    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    CMonDlg dlg(session, [] { return kMc56f8367; });
    QSettings settings(folder.filePath(QStringLiteral("Quobin.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Monitoring/Map File Path"), map);
    settings.setValue(QStringLiteral("Monitoring/Select Interval"), 0); // 100 ms
    // Tall enough that every row is on screen and read each cycle.
    settings.setValue(QStringLiteral("Monitoring/HSplitter Position"), 500);
    dlg.Initialize(settings);
    const int rows = dlg.watchList().RowCount(monitor::WatchListId::Symbols) +
                     dlg.watchList().RowCount(monitor::WatchListId::Addresses);
    if (rows != kRows) {
        std::fprintf(stderr, "bench_monitor_window: %d rows instead of %d\n", rows, kRows);
        return 1;
    }
    dlg.resize(900, 1300);
    dlg.show();

    double uiStart = 0;
    double processStart = 0;
    double seconds = 0;
    double ui = 0;
    double process = 0;
    bool ran = false;
    int read = 0; // rows each cycle reads
    QElapsedTimer wall;
    QTimer::singleShot(0, &dlg, [&] {
        dlg.findChild<QPushButton*>(QStringLiteral("startButton"))->click();
        // The first cycles fill the cells; the figure is for the steady state after them.
        QTimer::singleShot(500, &dlg, [&] {
            uiStart = CpuSeconds(RUSAGE_THREAD);
            processStart = CpuSeconds(RUSAGE_SELF);
            wall.start();
            QTimer::singleShot(kRunMs, &dlg, [&] {
                // Taken before quitting, which closes the window and so stops monitoring.
                seconds = static_cast<double>(wall.elapsed()) / 1000.0;
                ui = (CpuSeconds(RUSAGE_THREAD) - uiStart) / seconds * 100.0;
                process = (CpuSeconds(RUSAGE_SELF) - processStart) / seconds * 100.0;
                ran = dlg.IsMonitoring();
                read = static_cast<int>(
                    dlg.watchList().VisibleItems(monitor::WatchListId::Symbols).size() +
                    dlg.watchList().VisibleItems(monitor::WatchListId::Addresses).size());
                application.quit();
            });
        });
    });
    application.exec();
    QCoreApplication::processEvents(); // the worker's last news, if it stopped
    if (!ran) {
        std::fprintf(stderr, "bench_monitor_window: monitoring did not run: %s\n",
                     qPrintable(dlg.StatusText()));
        return 1;
    }
    if (read != kRows) {
        std::fprintf(stderr, "bench_monitor_window: %d rows on screen instead of %d\n", read, kRows);
        return 1;
    }
    std::printf("monitor window CPU: %.2f%% of one core at 100 ms (%d rows)\n", ui, kRows);
    std::printf("  with the worker and the emulated POD: %.2f%% of one core\n", process);
    return 0;
}
