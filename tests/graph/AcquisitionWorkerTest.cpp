#include "graph/AcquisitionWorker.h"

#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "pod/TracingUsbDriver.h"
#include "sim/DemoVariables.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/EmulatedLink.h"

namespace {

using namespace graph;

// What the worker reports. The hook runs on the worker's thread after each complete tick
// (the number of ticks so far is passed).
class TickRecorder final : public AcquisitionView, public support::WorkerEvents {
public:
    void Ticked(std::int64_t elapsedMs) override
    {
        int n = 0;
        std::function<void(int)> hook;
        Record([&] {
            ticks.push_back(elapsedMs);
            n = static_cast<int>(ticks.size());
            hook = onTick;
        });
        if (hook) hook(n);
    }
    void TickFailed() override
    {
        Record([&] { ++failedTicks; });
    }
    void StoppedByFailure(const std::string& why) override
    {
        Record([&] {
            stopped = true;
            reason = why;
        });
    }
    bool WaitTicks(std::size_t n)
    {
        return WaitUntil([&] { return ticks.size() >= n; });
    }

    std::vector<std::int64_t> ticks;
    int failedTicks = 0;
    bool stopped = false;
    std::string reason;
    std::function<void(int)> onTick;
};

sim::SimOptions WithFaults(const std::vector<std::string>& faults)
{
    sim::SimOptions options;
    for (const std::string& fault : faults)
        EXPECT_EQ(sim::ApplySimOption(options, "sim-fault", fault), "");
    return options;
}

// The worker on an emulated POD whose clock starts at 1000 ms.
struct Rig : support::EmulatedLink {
    explicit Rig(const std::vector<std::string>& faults = {})
        : EmulatedLink(WithFaults(faults), 1000), worker(session, view)
    {
    }
    // Payloads of the read commands sent.
    std::vector<std::string> Reads()
    {
        std::vector<std::string> reads;
        for (const std::string& frame : Sent())
            if (frame.rfind("51", 0) == 0) reads.push_back(frame);
        return reads;
    }
    void Put32(std::uint32_t address, std::uint32_t value)
    {
        sim->Pod().WriteRam(address, static_cast<std::uint16_t>(value), clock.NowUs());
        sim->Pod().WriteRam(address + 1, static_cast<std::uint16_t>(value >> 16), clock.NowUs());
    }

    TickRecorder view;
    AcquisitionWorker worker;
};

GraphChannels Channels(std::initializer_list<GraphChannel> list)
{
    GraphChannels channels;
    for (const GraphChannel& channel : list)
        channels.Add(channel);
    return channels;
}

std::vector<std::int64_t> Times(const SampleBuffer& buffer)
{
    std::vector<std::int64_t> times;
    const auto snapshot = buffer.Snap();
    for (std::size_t i = 0; i < snapshot.size(); ++i)
        times.push_back(snapshot[i].timeUs);
    return times;
}

TEST(AcquisitionWorker, TicksEvery11MsOpenTheLinkAtTheFirstAndConvertByViewType)
{
    Rig rig;
    rig.Put32(0x20, 0x0000AB00); // BYTE_HIGH: the POD hands over the high byte
    rig.Put32(0x22, 0x0000FFFF);
    rig.Put32(0x24, 0xFFFFFFFF);
    rig.Put32(0x26, 0x3F800000);
    const auto channels = Channels({{"hi", 0x20, 1, monitor::BYTE_HIGH},
                                    {"q15", 0x22, 1, monitor::FRAC16},
                                    {"u32", 0x24, 2, monitor::UINT32},
                                    {"f", 0x26, 2, monitor::FLOAT}});
    EXPECT_FALSE(rig.session.IsOpen());
    rig.worker.Start(channels);
    ASSERT_TRUE(rig.view.WaitTicks(3));
    rig.worker.StopAndJoin();
    EXPECT_FALSE(rig.worker.IsRunning());
    EXPECT_TRUE(rig.session.IsOpen());
    EXPECT_EQ(rig.worker.startMs(), 1000u);

    EXPECT_EQ(std::vector<std::int64_t>(rig.view.ticks.begin(), rig.view.ticks.begin() + 3),
              (std::vector<std::int64_t>{11, 22, 33}));
    const std::vector<double> expected = {171.0, -1.0 / 32768, 4294967295.0, 1.0};
    for (int c = 0; c < 4; ++c) {
        const auto points = rig.worker.buffer(c).Snap();
        ASSERT_GE(points.size(), 3u) << c;
        for (std::size_t t = 0; t < 3; ++t) {
            EXPECT_EQ(points[t].timeUs, 11'000 * (static_cast<std::int64_t>(t) + 1));
            EXPECT_EQ(points[t].y, expected[static_cast<std::size_t>(c)]) << c;
        }
    }
    // One read per channel and tick, byte / word / long wide as the type says.
    const auto reads = rig.Reads();
    ASSERT_GE(reads.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(reads.begin(), reads.begin() + 4),
              (std::vector<std::string>{"5101000020", "5102000022", "5103000024", "5103000026"}));
    EXPECT_EQ(reads[4], reads[0]);
}

TEST(AcquisitionWorker, AFailedMiddleChannelKeepsTheEarlierPointReopensAndGoesOn)
{
    // Reads 1..3 are the first tick; the 5th is the second channel of the second tick.
    Rig rig({"0x51:5:silent"});
    const auto channels = Channels({{"a", 0x80, 1, monitor::UINT16},
                                    {"b", 0x81, 1, monitor::HEX16},
                                    {"c", 0x82, 2, monitor::UINT32}});
    rig.worker.Start(channels);
    ASSERT_TRUE(rig.view.WaitTicks(2));
    rig.worker.StopAndJoin();
    EXPECT_EQ(rig.view.failedTicks, 1);
    EXPECT_FALSE(rig.view.stopped);

    const auto a = Times(rig.worker.buffer(0));
    const auto b = Times(rig.worker.buffer(1));
    const auto c = Times(rig.worker.buffer(2));
    ASSERT_GE(a.size(), 3u);
    // The failed tick's time is the first channel's second point; the others skip it.
    EXPECT_EQ(a[1], 22'000);
    EXPECT_EQ(b.size(), a.size() - 1);
    EXPECT_EQ(c.size(), a.size() - 1);
    EXPECT_EQ(b[1], a[2]);
    EXPECT_EQ(c[1], a[2]);
    // The read waited out its 100 ms; the next tick came right after the reopen.
    EXPECT_GE(rig.view.ticks[1], 122);
    const auto reads = rig.Reads();
    ASSERT_GE(reads.size(), 8u);
    EXPECT_EQ(reads[5], reads[0]); // the next tick starts again with channel a
    EXPECT_TRUE(rig.session.IsOpen());
}

TEST(AcquisitionWorker, ALostPodStopsTheRunAndItsPointsStay)
{
    Rig rig;
    rig.view.onTick = [&](int n) {
        if (n == 2) rig.sim->Unplug();
    };
    rig.worker.Start(Channels({{"t", sim::demo::kTriangle, 1, monitor::INT16}}));
    ASSERT_TRUE(rig.view.WaitUntil([&] { return rig.view.stopped; }));
    rig.worker.StopAndJoin();
    EXPECT_EQ(rig.worker.buffer(0).size(), 2u);
    EXPECT_EQ(rig.view.ticks.size(), 2u);
    EXPECT_EQ(rig.view.failedTicks, 1);
    EXPECT_FALSE(rig.session.IsOpen());

    // Without a POD from the start, the first tick cannot open one: nothing is read.
    Rig absent;
    absent.sim->Unplug();
    absent.worker.Start(Channels({{"t", sim::demo::kTriangle, 1, monitor::INT16}}));
    ASSERT_TRUE(absent.view.WaitUntil([&] { return absent.view.stopped; }));
    absent.worker.StopAndJoin();
    EXPECT_EQ(absent.worker.buffer(0).size(), 0u);
    EXPECT_EQ(absent.view.failedTicks, 0);
    EXPECT_EQ(absent.view.reason, "the POD could not be opened");
    EXPECT_TRUE(absent.Reads().empty());
}

TEST(AcquisitionWorker, WithoutChannelsATickOnlyOpensThePod)
{
    Rig rig;
    rig.worker.Start(GraphChannels{});
    ASSERT_TRUE(rig.view.WaitTicks(3));
    rig.worker.StopAndJoin();
    EXPECT_TRUE(rig.session.IsOpen());
    EXPECT_TRUE(rig.Reads().empty());
    for (int c = 0; c < GraphChannels::kMaxChannels; ++c)
        EXPECT_EQ(rig.worker.buffer(c).size(), 0u);
}

TEST(AcquisitionWorker, StopKeepsThePointsAndStartClearsThemWithOneWorkerAtATime)
{
    Rig rig;
    const auto channels = Channels({{"sineWave", sim::demo::kSineWave, 2, monitor::FLOAT}});
    rig.worker.Start(channels);
    ASSERT_TRUE(rig.view.WaitTicks(5));
    rig.worker.RequestStop();
    rig.worker.StopAndJoin();
    const std::size_t kept = rig.worker.buffer(0).size();
    EXPECT_GE(kept, 5u);
    // A FLOAT shown as FLOAT plots the sine wave's values, not its bits.
    const auto points = rig.worker.buffer(0).Snap();
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_LE(std::abs(points[i].y), 100.0);

    // START right after STOP, twice, without waiting: the old worker is joined first,
    // so one run's points arrive one tick apart from its own start.
    rig.view.ticks.clear();
    rig.worker.Start(channels);
    rig.worker.RequestStop();
    rig.worker.Start(channels);
    const std::uint64_t start = rig.worker.startMs();
    ASSERT_TRUE(rig.view.WaitUntil([&] { return rig.worker.buffer(0).size() >= 4; }));
    rig.worker.StopAndJoin();
    const auto times = Times(rig.worker.buffer(0));
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i], 11'000 * (static_cast<std::int64_t>(i) + 1));
    EXPECT_GE(rig.worker.startMs(), start);
}

} // namespace
