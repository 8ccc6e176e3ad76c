// Host CPU time of live monitoring: 30 watched rows read through the emulated POD on an
// instant wire, so that only Quobin's own work (and the emulator's, which is counted
// too) is measured. On hardware each read waits for the link; the worker must cost the
// machine next to nothing while it does.

#include "monitor/MonitorWorker.h"
#include "monitor/WatchList.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/SimUsbDriver.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kRows = 30;
constexpr std::uint32_t kIntervalMs = 100;

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// 30 rows of every numeric type over the demo program's variables and beyond.
void FillRows(monitor::WatchList& list)
{
    const monitor::ViewType types[] = {monitor::HEX16, monitor::INT16, monitor::UINT16,
                                       monitor::HEX32, monitor::FLOAT, monitor::BYTE_LOW};
    for (int i = 0; i < kRows; ++i) {
        list.AddAddressWatch(0x80 + 2 * static_cast<std::uint32_t>(i), types[i % 6]);
    }
}

class NullView final : public monitor::MonitorView {
public:
    void ValuesChanged(monitor::WatchListId, const std::vector<int>&) override {}
    void CycleCompleted(std::uint32_t) override { ++cycles; }
    void StoppedByFailure(const std::string&) override { failed = true; }
    std::atomic<int> cycles{0};
    std::atomic<bool> failed{false};
};

} // namespace

int main()
{
    // Back-to-back cycles: the cost of one.
    {
        pod::VirtualPodClock clock;
        auto driver = sim::CreateSimDriver({}, clock);
        pod::PodSession session(*driver, clock);
        if (!session.ReopenPodSession()) {
            std::fprintf(stderr, "the emulated POD did not open\n");
            return 1;
        }
        monitor::WatchList list;
        FillRows(list);
        constexpr int kCycles = 3000;
        const double cpu0 = CpuSeconds();
        const double wall0 = WallSeconds();
        for (int i = 0; i < kCycles; ++i) {
            monitor::CycleChanges changed;
            if (!monitor::ReadCycle(session, list, changed)) {
                std::fprintf(stderr, "a read failed\n");
                return 1;
            }
        }
        const double cpu = CpuSeconds() - cpu0;
        const double wall = WallSeconds() - wall0;
        std::printf("monitor cycle: %.1f us CPU per cycle of %d rows, %.0f cycles per second\n",
                    cpu / kCycles * 1e6, kRows, kCycles / wall);
    }

    // The worker itself at the 100 ms interval on the real clock: its cycles plus its
    // 1 ms polling, as a share of one core.
    pod::SteadyPodClock clock;
    auto driver = sim::CreateSimDriver({}, clock);
    pod::PodSession session(*driver, clock);
    monitor::WatchList list;
    FillRows(list);
    NullView view;
    monitor::MonitorWorker worker(session, list, view);
    worker.SetIntervalMs(kIntervalMs);
    const double cpu0 = CpuSeconds();
    const double wall0 = WallSeconds();
    if (!worker.Start(4)) {
        std::fprintf(stderr, "the emulated POD did not open\n");
        return 1;
    }
    clock.SleepMs(3000);
    worker.StopAndJoin();
    const double cpu = CpuSeconds() - cpu0;
    const double wall = WallSeconds() - wall0;
    if (view.failed || view.cycles == 0) {
        std::fprintf(stderr, "monitoring stopped by a failure\n");
        return 1;
    }
    std::printf("monitor cycle CPU: %.2f%% of one core at %u ms (%d rows)\n", 100.0 * cpu / wall,
                kIntervalMs, kRows);
    return 0;
}
