// Monitoring soak: 30 watched rows every 10 ms, one value changed every second and four
// graph channels sampled on the same POD, over the emulator's real-time wire, with the
// POD unplugged and plugged back every SOAK_UNPLUG_SECONDS. Fails on a change the target
// never showed while monitoring ran, on a crash, or on memory that grows beyond what the
// plotted points themselves need.

#include "graph/AcquisitionWorker.h"
#include "graph/GraphChannels.h"
#include "monitor/MonitorWorker.h"
#include "monitor/WatchList.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kRows = 30;
constexpr std::uint32_t kIntervalMs = 10;
constexpr std::uint32_t kWriteEveryMs = 1000;
// A change must show within this time of being posted while monitoring runs.
constexpr std::uint32_t kConfirmWithinMs = 3000;
constexpr std::uint32_t kUnpluggedMs = 200;
constexpr long kMaxGrowthKb = 1024;

std::uint32_t EnvSeconds(const char* name, std::uint32_t fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

long RssKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class MonitorEvents final : public monitor::MonitorView {
public:
    void ValuesChanged(monitor::WatchListId, const std::vector<int>&) override {}
    void CycleCompleted(std::uint32_t) override { ++cycles; }
    void StoppedByFailure(const std::string&) override {}
    std::atomic<std::uint64_t> cycles{0};
};

class AcquisitionEvents final : public graph::AcquisitionView {
public:
    void StoppedByFailure(const std::string&) override {}
};

// The change under test: triangleStep as INT16 in the first row.
void FillRows(monitor::WatchList& list)
{
    list.AddAddressWatch(sim::demo::kTriangleStep, monitor::INT16);
    const monitor::ViewType types[] = {monitor::HEX16, monitor::INT16, monitor::UINT16,
                                       monitor::HEX32, monitor::FLOAT, monitor::BYTE_LOW};
    for (int i = 1; i < kRows; ++i)
        list.AddAddressWatch(0x90 + 2 * static_cast<std::uint32_t>(i), types[i % 6]);
    list.SetVisibleRows(monitor::WatchListId::Addresses, 0, kRows);
}

graph::GraphChannels Channels()
{
    graph::GraphChannels channels;
    channels.Add({"counter16", sim::demo::kCounter16, 1, monitor::UINT16});
    channels.Add({"counter32", sim::demo::kCounter32, 2, monitor::UINT32});
    channels.Add({"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT});
    channels.Add({"triangle", sim::demo::kTriangle, 1, monitor::INT16});
    return channels;
}

// Bytes the plotted points hold: whole chunks, as the buffers allocate them.
long SampleKb(const graph::AcquisitionWorker& acquisition)
{
    long kb = 0;
    for (const graph::SampleBuffer& buffer : acquisition.buffers()) {
        const std::size_t chunks = (buffer.Snap().size() + graph::SampleBuffer::kChunkSamples - 1) /
                                   graph::SampleBuffer::kChunkSamples;
        kb += static_cast<long>(chunks * sizeof(graph::SampleBuffer::Chunk) / 1024);
    }
    return kb;
}

} // namespace

// One change of the triangle's step at a time: posted every kWriteEveryMs, confirmed
// when the address list shows it, lost when it does not within kConfirmWithinMs.
struct Changes {
    std::uint64_t confirmed = 0;
    std::uint64_t lost = 0;
    std::int16_t value = 0;
    bool pending = false;
    std::uint32_t postedAt = 0;
    std::uint32_t lastWrite = 0;

    void Check(const monitor::WatchList& list, std::uint32_t now)
    {
        if (!pending) return;
        const std::optional<monitor::MonitorItem> row = list.Row(monitor::WatchListId::Addresses, 0);
        if (row && row->valueText == std::to_string(value)) {
            ++confirmed;
            pending = false;
        } else if (now - postedAt > kConfirmWithinMs) {
            ++lost;
            pending = false;
        }
    }

    void PostWhenDue(monitor::MonitorWorker& monitoring, std::uint32_t now)
    {
        if (pending || now - lastWrite < kWriteEveryMs) return;
        value = static_cast<std::int16_t>(value % 50 + 1);
        monitoring.PostWrite(
            {monitor::INT16, sim::demo::kTriangleStep, static_cast<std::uint32_t>(value), {}});
        pending = true;
        postedAt = now;
        lastWrite = now;
    }
};

int main()
{
    const std::uint32_t seconds = EnvSeconds("SOAK_SECONDS", 3600);
    const std::uint32_t unplugEveryMs = EnvSeconds("SOAK_UNPLUG_SECONDS", 300) * 1000;

    pod::SteadyPodClock clock;
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);

    monitor::WatchList list;
    FillRows(list);
    MonitorEvents monitorEvents;
    monitor::MonitorWorker monitoring(session, list, monitorEvents);
    monitoring.SetIntervalMs(kIntervalMs);
    AcquisitionEvents acquisitionEvents;
    graph::AcquisitionWorker acquisition(session, acquisitionEvents);

    const std::uint32_t start = clock.NowMs();
    Changes changes;
    changes.lastWrite = start;
    std::uint64_t restarts = 0;
    std::uint32_t lastUnplug = start;
    long baselineKb = -1;

    if (!monitoring.Start(4)) {
        std::fprintf(stderr, "soak: the emulated POD did not open\n");
        return 1;
    }
    acquisition.Start(Channels());
    while (clock.NowMs() - start < seconds * 1000) {
        clock.SleepMs(kIntervalMs);
        const std::uint32_t now = clock.NowMs();
        if (!monitoring.IsRunning()) {
            // As a user presses START again once the POD is back; a change that was
            // still waiting is posted again, it was not lost.
            if (!monitoring.Start(4)) continue;
            ++restarts;
            changes.pending = false;
        }
        if (!acquisition.IsRunning()) acquisition.Start(Channels());
        changes.Check(list, now);
        changes.PostWhenDue(monitoring, now);
        if (unplugEveryMs > 0 && now - lastUnplug >= unplugEveryMs) {
            driver->Unplug();
            clock.SleepMs(kUnpluggedMs);
            driver->Plug();
            lastUnplug = clock.NowMs();
        }
        if (baselineKb < 0 && now - start >= 5000) {
            malloc_trim(0);
            baselineKb = RssKb() - SampleKb(acquisition);
        }
    }
    monitoring.StopAndJoin();
    acquisition.StopAndJoin();
    malloc_trim(0);
    const long growthKb = baselineKb < 0 ? 0 : RssKb() - SampleKb(acquisition) - baselineKb;
    std::printf("soak: %u s, %llu cycles, %llu writes confirmed, %llu lost, %llu reopens, RSS "
                "growth %ld KB\n",
                seconds, static_cast<unsigned long long>(monitorEvents.cycles.load()),
                static_cast<unsigned long long>(changes.confirmed),
                static_cast<unsigned long long>(changes.lost),
                static_cast<unsigned long long>(monitoring.reopens() + restarts), growthKb);
    if (changes.lost > 0 || growthKb > kMaxGrowthKb || changes.confirmed == 0) {
        std::fprintf(stderr, "soak: FAILED\n");
        return 1;
    }
    return 0;
}
