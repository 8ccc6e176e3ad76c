// The station every front end builds on: the POD choice, typed results of the short
// commands, cancellation of runs, and the emulator's state on closing.
#include "station/Station.h"

#include "image/RunChoices.h"
#include "ops/MonitorControl.h"
#include "ops/ProgrammerView.h"
#include "pod/PodClock.h"
#include "podlink/LinkOptions.h"
#include "sim/EmulatedPod.h"
#include "sim/SimUsbDriver.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <numeric>

namespace {

const std::string kDemo = QUOBIN_DEMO_SFILE;

std::unique_ptr<station::Station> OpenStation(pod::PodClock& clock, const std::string& args)
{
    podlink::LinkOptions options;
    options.simulate = true;
    options.defaultWire = sim::WireMode::kInstant;
    EXPECT_EQ(podlink::ParseLinkOptions(args, options), "");
    station::Station::Opening opening = station::Station::Open(options, clock);
    EXPECT_TRUE(opening.station) << opening.error;
    return std::move(opening.station);
}

image::RunChoices DemoChoices()
{
    image::RunChoices choices;
    choices.sFilePath = kDemo;
    choices.regionChecked = {true, true, true, false};
    return choices;
}

std::uint32_t Words(const ops::RunResult& result)
{
    return std::accumulate(result.wordsSent.begin(), result.wordsSent.end(), 0u);
}

// Asks the station to stop its runs at the Nth step of the progress bar, as Ctrl+C
// would in the middle of a run.
class StopAtStep final : public ops::ProgrammerView {
public:
    StopAtStep(station::CancelToken& token, int step) : m_token(token), m_step(step) {}
    void ShowStatus(const std::string&, bool) override {}
    void SetProgressRange(int) override {}
    void SetProgressStep(int) override {}
    void StepProgress() override
    {
        if (++m_steps == m_step) m_token.Request();
    }
    void SetProgressPos(int) override {}
    void SetControlsEnabled(bool) override {}
    void SetRegionLabels(const std::array<std::string, 4>&) override {}

private:
    station::CancelToken& m_token;
    const int m_step;
    std::atomic<int> m_steps{0};
};

TEST(StationCancel, StopsBetweenExchangesMarksTheRunInterruptedAndSaysHowFar)
{
    pod::VirtualPodClock clock;
    auto station = OpenStation(clock, "--sim-pods 2");
    ops::MonitorControl noMonitoring;
    StopAtStep stopper(station->cancel(), 3);
    support::RecordingView plain;
    std::string error;
    auto first = station->OpenUnitOf("QBSIM001", stopper, noMonitoring, error);
    auto second = station->OpenUnitOf("QBSIM002", plain, noMonitoring, error);
    ASSERT_TRUE(first && second) << error;

    // Cut in the middle: some words went, not all, and the record says so.
    const ops::RunResult cut = first->Program(ops::OperationMode::TargetWriteVerify, DemoChoices());
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(cut.interrupted);
    EXPECT_TRUE(cut.record.interrupted);
    EXPECT_NE(ops::RunLogLine(cut.record).find("  INTERRUPTED  "), std::string::npos);

    // The token stays set: the next run of the station never sends a word.
    const ops::RunResult before = second->Program(ops::OperationMode::TargetWriteVerify, DemoChoices());
    EXPECT_TRUE(before.interrupted);
    EXPECT_EQ(before.message, "Interrupted before the first word was sent");
    EXPECT_EQ(Words(before), 0u);

    // Cleared, a run goes to its end: the cut run sent less than that.
    station->cancel().Clear();
    const ops::RunResult whole = second->Program(ops::OperationMode::TargetWriteVerify, DemoChoices());
    ASSERT_TRUE(whole.ok) << whole.message;
    EXPECT_FALSE(whole.interrupted);
    EXPECT_GT(Words(cut), 0u);
    EXPECT_LT(Words(cut), Words(whole));
}

TEST(StationCancel, OnePodsCancelLeavesTheOthersAlone)
{
    pod::VirtualPodClock clock;
    auto station = OpenStation(clock, "");
    ops::MonitorControl noMonitoring;
    support::RecordingView view;
    station->ChoosePod(std::nullopt);
    auto unit = station->OpenUnit(view, noMonitoring);
    unit->Cancel();
    // A stop asked before the start is forgotten by the start: only a stop during the
    // run counts.
    const ops::RunResult result = unit->Program(ops::OperationMode::TargetWriteVerify, DemoChoices());
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(station->cancel().Requested());
}

TEST(StationClose, SavesEveryEmulatedPodAndLetsTheStateFolderGoAtOnce)
{
    support::TempDir dir;
    const std::string args = "--sim-pods 3 --sim-state " + dir.Path("state");
    pod::VirtualPodClock clock;
    auto station = OpenStation(clock, args);
    {
        ops::MonitorControl noMonitoring;
        support::RecordingView view;
        std::string error;
        auto third = station->OpenUnitOf("QBSIM003", view, noMonitoring, error);
        ASSERT_TRUE(third) << error;
        ASSERT_TRUE(third->Program(ops::OperationMode::TargetWrite, DemoChoices()).ok);
    }
    EXPECT_EQ(station->Close(), std::vector<std::string>{});
    EXPECT_EQ(station->Close(), std::vector<std::string>{}); // once is enough

    // Another program on the same folder, while this station object still exists.
    auto next = OpenStation(clock, args);
    ASSERT_TRUE(next);
    next.reset();
    sim::SimOptions options;
    options.stateDir = dir.Path("state") + "/QBSIM003";
    sim::EmulatedPod saved(options, 0);
    EXPECT_EQ(saved.LoadError(), "");
    const std::vector<std::uint16_t> p1 = saved.FlashOf(2);
    EXPECT_TRUE(std::any_of(p1.begin(), p1.end(), [](std::uint16_t w) { return w != 0xFFFF; }))
        << "the third POD's programmed flash was not saved";
}

TEST(StationChoice, NamedPodFirstOfSeveralOrTheOnlyOne)
{
    struct Case {
        std::string args;
        std::optional<std::string> wanted;
        bool ok;
        std::string serial;
        bool pickedFirst;
        std::string error;
    };
    const Case cases[] = {
        {"", std::nullopt, true, "", false, ""},
        {"--sim-pods 3", std::nullopt, true, "QBSIM001", true, ""},
        {"--sim-pods 3", "QBSIM002", true, "QBSIM002", false, ""},
        {"--sim-pods 2", "QBSIM009", false, "", false,
         "no POD with serial number QBSIM009 is attached (PODs found: QBSIM001, QBSIM002)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + " " + c.wanted.value_or("-"));
        pod::VirtualPodClock clock;
        auto station = OpenStation(clock, c.args);
        const station::PodChoice choice = station->ChoosePod(c.wanted);
        EXPECT_EQ(choice.ok, c.ok);
        EXPECT_EQ(choice.serial, c.serial);
        EXPECT_EQ(choice.pickedFirst, c.pickedFirst);
        EXPECT_EQ(choice.error, c.error);
    }
}

TEST(StationResults, ShortCommandsReturnTheirStatusReasonAndValues)
{
    ops::MonitorControl noMonitoring;
    support::RecordingView view;
    {
        pod::VirtualPodClock clock;
        auto station = OpenStation(clock, "--sim-version 1.10");
        auto unit = station->OpenUnit(view, noMonitoring);
        const ops::VersionResult version = unit->QueryVersion();
        EXPECT_TRUE(version.ok);
        EXPECT_EQ(version.status, "POD Version V1.10");
        EXPECT_EQ(version.major, 1);
        EXPECT_EQ(version.minor, 10);
    }
    {
        pod::VirtualPodClock clock;
        auto station = OpenStation(clock, "--sim-no-target");
        auto unit = station->OpenUnit(view, noMonitoring);
        const ops::CommandResult reset = unit->Reset(0, 0, -1);
        EXPECT_FALSE(reset.ok);
        EXPECT_EQ(reset.status, "The target did not answer the connect");
        EXPECT_NE(reset.reason, "");
    }
    {
        pod::VirtualPodClock clock;
        auto station = OpenStation(clock, "");
        station->emulator()->Unplug();
        auto unit = station->OpenUnit(view, noMonitoring);
        const ops::CommandResult opened = unit->OpenPod();
        EXPECT_FALSE(opened.ok);
        EXPECT_EQ(opened.messageId, 117);
        EXPECT_EQ(opened.status, "Device is not connected to the PC.");
    }
}

TEST(StationOpen, ContradictionsAreUsageErrorsAndAnUnusableStateIsAFailure)
{
    pod::VirtualPodClock clock;
    podlink::LinkOptions contradicting;
    contradicting.sim.mcu = "MC56F8367"; // --sim-* without the emulator
    const station::Station::Opening usage = station::Station::Open(contradicting, clock);
    EXPECT_FALSE(usage.station);
    EXPECT_TRUE(usage.usage);
    EXPECT_NE(usage.error, "");

    support::TempDir dir;
    std::filesystem::create_directories(dir.Path("state"));
    dir.Write("state/P1FLASH.bin", "not a flash image");
    podlink::LinkOptions broken;
    broken.simulate = true;
    broken.sim.state = dir.Path("state");
    const station::Station::Opening failed = station::Station::Open(broken, clock);
    EXPECT_FALSE(failed.station);
    EXPECT_FALSE(failed.usage);
}

} // namespace

namespace {

// A fault that never fired tested nothing: the station names it, once per POD it was
// asked of, and leaves out those that fired.
TEST(StationFaults, TheFaultsThatNeverFiredAreNamed)
{
    pod::VirtualPodClock clock;
    auto station = OpenStation(clock, "--sim-pods 2 --sim-fault 0x01:1:error "
                                      "--sim-fault QBSIM002/0x01:1:error --sim-fault 0x25:9:unplug");
    ops::MonitorControl noMonitoring;
    support::RecordingView view;
    station->ChoosePod(std::string("QBSIM001"));
    auto unit = station->OpenUnit(view, noMonitoring);
    EXPECT_FALSE(unit->QueryVersion().ok); // the first POD's version fault fires
    unit.reset();
    EXPECT_EQ(station->UnfiredFaults(),
              (std::vector<std::string>{"fault 0x25:9:unplug never fired on QBSIM001",
                                        "fault 0x01:1:error never fired on QBSIM002",
                                        "fault QBSIM002/0x01:1:error never fired",
                                        "fault 0x25:9:unplug never fired on QBSIM002"}));
}

} // namespace
