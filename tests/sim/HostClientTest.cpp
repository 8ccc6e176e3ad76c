// The host's own session, commands and boot-loader steps against the emulator: the two
// sides are written independently, so agreement here means both read the protocol alike.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pod/D2xxUsbDriver.h"
#include "pod/PodBootLoader.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "sim/DemoVariables.h"
#include "sim/SimCatalog.h"
#include "sim/SimUsbDriver.h"
#include "tests/support/RecordingView.h"
#include "report/SessionReport.h"

namespace {

struct Host {
    explicit Host(sim::SimOptions options = {})
        : clock(1000), driver(sim::CreateSimDriver(options, clock)), session(*driver, clock)
    {
    }
    pod::VirtualPodClock clock;
    std::unique_ptr<sim::SimUsbDriver> driver;
    pod::PodSession session;
    support::RecordingView status;
};

std::vector<std::uint16_t> Loader(int type)
{
    return sim::PartFor(type)->loader;
}

TEST(SimHost, VersionQueryAnswersTheConfiguredVersion)
{
    sim::SimOptions options;
    options.versionMajor = 1;
    options.versionMinor = 10;
    Host host(options);
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(pod::CmdGetVersion(host.session, major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 10);
}

TEST(SimHost, NoPodOnTheBusIsReportedAsNotConnected)
{
    Host host;
    host.driver->Unplug();
    EXPECT_FALSE(report::EnsurePodSession(host.session, host.status));
    EXPECT_EQ(host.session.state(), pod::PodState::Absent);
    EXPECT_EQ(host.status.LastStatus(), "Device is not connected to the PC.");
    host.driver->Plug();
    EXPECT_TRUE(report::EnsurePodSession(host.session, host.status));
}

TEST(SimHost, SequenceBWritesAndVerifiesAPage)
{
    Host host;
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    auto& s = host.session;
    ASSERT_TRUE(pod::CmdConnectTarget(s, 27, pod::kConnect56800E, 0, 100));
    ASSERT_EQ(pod::CmdEnableOnce(s).value, pod::kTargetReady);
    ASSERT_TRUE(pod::CmdTargetLoadLoader(s, Loader(27)));
    ASSERT_TRUE(pod::CmdEraseFlash(s, pod::RegionMask(false, false, true, false)));
    std::vector<std::uint16_t> page(600);
    for (std::size_t i = 0; i < page.size(); ++i) {
        page[i] = static_cast<std::uint16_t>(i * 3);
    }
    for (std::uint32_t mode : {pod::kProgramWriteVerify, pod::kProgramVerify}) {
        ASSERT_TRUE(pod::CmdBufferChunk(s, 0, std::span(page).subspan(0, 256)));
        ASSERT_TRUE(pod::CmdBufferChunk(s, 1, std::span(page).subspan(256, 256)));
        ASSERT_TRUE(pod::CmdBufferChunk(s, 2, std::span(page).subspan(512)));
        ASSERT_TRUE(pod::CmdProgramBuffered(s, mode, 2, 0x400, 600, pod::WordChecksum(page)));
    }
    page[7] ^= 1;
    ASSERT_TRUE(pod::CmdBufferChunk(s, 0, std::span(page).subspan(0, 256)));
    EXPECT_FALSE(pod::CmdProgramBuffered(s, pod::kProgramVerify, 2, 0x400, 256,
                                         pod::WordChecksum(std::span(page).subspan(0, 256))));
    EXPECT_TRUE(pod::CmdReleaseTarget(s, 1));
    EXPECT_EQ(host.driver->Pod().FlashOf(2)[0x400 + 5], 15);
}

TEST(SimHost, SequenceAOnA56800PartAndItsOrderRules)
{
    Host host;
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    auto& s = host.session;
    const std::vector<std::uint16_t> words = {1, 2, 3};
    EXPECT_FALSE(pod::CmdProgramPage(s, pod::kProgramWrite, 0, 0x1000, words)); // not connected
    ASSERT_TRUE(pod::CmdConnectTarget(s, 4, pod::kConnect56800, 1, 500));
    ASSERT_NE(pod::CmdEnableOnce(s).value, pod::kTargetFailed);
    ASSERT_TRUE(pod::CmdTargetLoadLoader(s, Loader(4)));
    ASSERT_TRUE(pod::CmdEraseFlash(s, 0x0F)); // DSP56F807 has all four regions
    EXPECT_TRUE(pod::CmdProgramPage(s, pod::kProgramWriteVerify, 3, 0xEFFD, words));
    EXPECT_FALSE(pod::CmdProgramPage(s, pod::kProgramWrite, 3, 0xEFFE, words)); // past P2FLASH
    EXPECT_TRUE(pod::CmdReleaseTarget(s, 0));
    EXPECT_EQ(host.driver->Pod().FlashOf(3, 4).back(), 3);
}

TEST(SimHost, SecuredChipAndPodJob)
{
    sim::SimOptions options;
    options.secured = true;
    Host host(options);
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    auto& s = host.session;
    ASSERT_TRUE(pod::CmdConnectTarget(s, 27, pod::kConnect56800E, 0, 100));
    ASSERT_EQ(pod::CmdEnableOnce(s).value, pod::kTargetSecured);
    ASSERT_TRUE(pod::CmdUnlockFlash(s));
    ASSERT_EQ(pod::CmdEnableOnce(s).value, pod::kTargetReady);

    const std::uint32_t counts[4] = {0, 0, 300, 0};
    ASSERT_TRUE(pod::CmdPodWriteInfo(s, pod::kProgramWrite, 27, 1, 0, 100, 591, counts));
    ASSERT_TRUE(pod::CmdPodWriteLoader(s, pod::kProgramWrite, Loader(27)));
    std::vector<std::uint16_t> block(264, 0x5A5A);
    ASSERT_TRUE(pod::CmdPodWriteBlock(s, pod::kProgramWriteVerify, 1100, block));
    ASSERT_TRUE(
        pod::CmdPodWriteBlock(s, pod::kProgramWriteVerify, 1101, std::span(block).subspan(0, 36)));
    EXPECT_TRUE(pod::CmdPodWriteInfo(s, pod::kProgramVerify, 27, 1, 0, 100, 591, counts));
    block[0] = 0;
    EXPECT_FALSE(pod::CmdPodWriteBlock(s, pod::kProgramVerify, 1100, block));
    EXPECT_EQ(host.driver->Pod().Job().RegionWords(2).size(), 300u);
}

TEST(SimHost, MonitoringReadsAndWritesTheRunningProgram)
{
    Host host;
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    auto& s = host.session;
    ASSERT_TRUE(pod::CmdSetMonitorBaud(s, 4));
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    ASSERT_TRUE(pod::CmdReadMemory(s, 7, sim::demo::kCounter32, before)); // UINT32
    host.clock.Advance(250);
    ASSERT_TRUE(pod::CmdReadMemory(s, 7, sim::demo::kCounter32, after));
    EXPECT_GE(after - before, 250u);
    ASSERT_TRUE(pod::CmdWriteMemory(s, 8, sim::demo::kSineAmplitude, 0x40000000)); // FLOAT 2.0
    std::uint32_t amplitude = 0;
    ASSERT_TRUE(pod::CmdReadMemory(s, 3, sim::demo::kSineAmplitude, amplitude));
    EXPECT_EQ(amplitude, 0x40000000u);
    std::uint32_t high = 0;
    ASSERT_TRUE(pod::CmdReadMemory(s, 1, sim::demo::kMessage, high)); // BYTE_HIGH of "de"
    EXPECT_EQ(high, static_cast<std::uint32_t>('e'));
    std::uint32_t value = 0;
    EXPECT_FALSE(pod::CmdReadMemory(s, 2, 0x4000, value)); // outside the data RAM
}

TEST(SimHost, FaultsMakeTheHostsCommandsFail)
{
    sim::SimOptions options;
    for (const char* text : {"0x01:1:silent", "0x01:2:garbage", "0x01:3:cut:5", "0x01:4:error"}) {
        sim::SimFault fault;
        ASSERT_EQ(sim::ParseSimFault(text, fault), "");
        options.faults.push_back(fault);
    }
    Host host(options);
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    int major = 0;
    int minor = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t start = host.clock.NowMs();
        EXPECT_FALSE(pod::CmdGetVersion(host.session, major, minor)) << i;
        // A silent or cut reply is given up after the read time-out; a wrong first byte at once.
        if (i == 0 || i == 2) {
            EXPECT_GE(host.clock.NowMs() - start, 1500u);
        }
    }
    EXPECT_TRUE(pod::CmdGetVersion(host.session, major, minor));
}

TEST(SimHost, FirmwareUpdateThroughTheBootLoaderStepsGivesV12)
{
    sim::SimOptions options;
    options.boot = true;
    Host host(options);
    // As the update does: a command-configuration open first, then the boot session.
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    host.session.ClosePodSession();
    ASSERT_TRUE(host.session.OpenPodBootSession());
    ASSERT_TRUE(pod::BootSync(host.session));
    ASSERT_TRUE(pod::BootEraseAll(host.session));
    const auto image = sim::CarriedFirmware();
    for (std::size_t offset = 0; offset < image.size(); offset += 256) {
        ASSERT_TRUE(pod::BootWriteBlock(host.session, image, offset)) << offset;
    }
    host.session.ClosePodSession();
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(pod::CmdGetVersion(host.session, major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 2);
}

TEST(SimHost, SyncFailsOnAPodThatIsNotInItsBootLoader)
{
    Host host;
    host.session.ProbePod();
    ASSERT_TRUE(host.session.OpenPodBootSession());
    EXPECT_FALSE(pod::BootSync(host.session));
}

TEST(SimHost, D2xxBackEndOverTheEmulatorLibrary)
{
    pod::D2xxUsbDriver driver(QUOBIN_SIM_D2XX_PATH);
    pod::SteadyPodClock clock;
    pod::PodSession session(driver, clock);
    support::RecordingView status;
    ASSERT_TRUE(report::EnsurePodSession(session, status)) << driver.LastError();
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(pod::CmdGetVersion(session, major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 1);
    std::uint32_t value = 0;
    EXPECT_TRUE(pod::CmdReadMemory(session, 2, sim::demo::kSinePeriodMs, value));
    EXPECT_EQ(value, 2000u);
    session.ClosePodSession();
}

} // namespace

namespace {

TEST(SimHost, AWorkerThreadAndAnObserverShareTheEmulator)
{
    Host host;
    ASSERT_TRUE(report::EnsurePodSession(host.session, host.status));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            std::uint32_t value = 0;
            EXPECT_TRUE(pod::CmdReadMemory(host.session, 7, sim::demo::kCounter32, value));
            host.clock.Advance(3);
        }
        done = true;
    });
    do {
        std::uint32_t count = 0;
        host.driver->ListDeviceCount(&count);
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(host.driver->Pod().VersionMajor(), 1);
        EXPECT_EQ(host.driver->Pod().FlashOf(2).size(), 0x20000u);
        host.driver->Pod().ReadRam(sim::demo::kCounter16, host.clock.NowUs());
    } while (!done);
    worker.join();
    EXPECT_EQ(host.driver->Pod().CommandCount(0x51), 200u);
}

} // namespace

namespace {

// A clock that creeps forward as it is read, besides moving when slept on, as a real one
// does while the host works between its sleeps.
class CreepingClock final : public pod::PodClock {
public:
    std::uint32_t NowMs() override
    {
        return static_cast<std::uint32_t>(m_reads.fetch_add(1) / 8 + m_sleptUs.load() / 1000);
    }
    void SleepMs(std::uint32_t ms) override { m_sleptUs.fetch_add(std::uint64_t{ms} * 1000); }
    void SleepUs(std::uint32_t us) override { m_sleptUs.fetch_add(us); }

private:
    std::atomic<std::uint64_t> m_reads{0};
    std::atomic<std::uint64_t> m_sleptUs{0};
};

TEST(SimHostRealWire, RepliesWaitForTheWireAndTheLatencyTimer)
{
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    sim::SimFault fault;
    ASSERT_EQ(sim::ParseSimFault("0x51:2:slow:60", fault), "");
    options.faults.push_back(fault);
    ASSERT_EQ(sim::ParseSimFault("0x51:3:slow:200", fault), "");
    options.faults.push_back(fault);
    CreepingClock clock;
    auto driver = sim::CreateSimDriver(options, clock);
    pod::PodSession session(*driver, clock);
    support::RecordingView status;
    ASSERT_TRUE(report::EnsurePodSession(session, status));

    const std::uint32_t start = clock.NowMs();
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(pod::CmdGetVersion(session, major, minor));
    EXPECT_GE(clock.NowMs() - start, 2u); // at least the 2 ms latency timer
    std::uint32_t value = 0;
    EXPECT_TRUE(pod::CmdReadMemory(session, 2, sim::demo::kSinePeriodMs, value));
    EXPECT_EQ(value, 2000u);
    EXPECT_TRUE(pod::CmdReadMemory(session, 2, sim::demo::kSinePeriodMs,
                                   value)); // 60 ms late: inside 100 ms
    EXPECT_FALSE(
        pod::CmdReadMemory(session, 2, sim::demo::kSinePeriodMs, value)); // 200 ms late: timed out
}

} // namespace
