// Two figures of graph monitoring. The redraw: one frame of the plot area with four
// channels of an hour's points (330,000 each, 90 a second) all in view, the worst case a
// zoomed-out plot meets, and the memory the points take. The tick rate: four channels
// sampled through the emulated POD on its real-time wire, where each read costs what its
// bytes need at 921600 baud plus the latency timer.

#include "graph/ui/GraphPlotArea.h"

#include "graph/AcquisitionWorker.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimUsbDriver.h"

#include <QApplication>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

constexpr std::size_t kPoints = 330'000;
constexpr int kFrames = 50;

double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

class TickCounter final : public graph::AcquisitionView {
public:
    void Ticked(std::int64_t) override { ++ticks; }
    void StoppedByFailure(const std::string&) override { failed = true; }
    std::atomic<int> ticks{0};
    std::atomic<bool> failed{false};
};

graph::GraphChannels FourChannels()
{
    graph::GraphChannels channels;
    channels.Add({"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT});
    channels.Add({"triangle", sim::demo::kTriangle, 1, monitor::INT16});
    channels.Add({"counter16", sim::demo::kCounter16, 1, monitor::UINT16});
    channels.Add({"counter32", sim::demo::kCounter32, 2, monitor::UINT32});
    return channels;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    {
        const double before = ResidentMb();
        auto buffers = std::make_unique<std::array<graph::SampleBuffer, 4>>();
        for (std::size_t i = 0; i < kPoints; ++i) {
            const auto timeUs = static_cast<std::int64_t>(i * 11'000);
            for (std::size_t c = 0; c < 4; ++c)
                (*buffers)[c].Append(
                    {timeUs, 100.0 * std::sin(static_cast<double>(i) / (50.0 + 30.0 * c)) + c});
        }
        GraphPlotArea area;
        area.resize(636, 300);
        area.show();
        area.SetChannels(FourChannels(), *buffers);
        area.SetSpanMs(static_cast<std::uint32_t>(kPoints * 11));
        area.SetRunning(true);
        area.Refresh(true);
        const auto start = std::chrono::steady_clock::now();
        for (int f = 0; f < kFrames; ++f)
            area.Refresh(true);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count() /
            kFrames;
        std::printf("graph redraw: %.1f ms per frame, %.0f MB for 4 x %zu points\n", ms,
                    ResidentMb() - before, kPoints);
    }

    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    TickCounter counter;
    graph::AcquisitionWorker worker(session, counter);
    worker.Start(FourChannels());
    clock.SleepMs(500); // the first tick opens the POD
    const int first = counter.ticks.load();
    clock.SleepMs(3000);
    const int ticks = counter.ticks.load() - first;
    worker.StopAndJoin();
    if (counter.failed) {
        std::fprintf(stderr, "the emulated POD did not answer\n");
        return 1;
    }
    std::printf("graph ticks: %.0f per second with 4 channels, real-time wire\n", ticks / 3.0);
    return 0;
}
