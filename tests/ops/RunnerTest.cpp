// The runner around the sequences: refusal of a second start, monitoring, the
// connection between runs, the elapsed time, the firmware update, version and reset.
#include "tests/ops/OpsRig.h"

#include "ops/ElapsedText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <future>

namespace {

using ops::OperationMode;
using opstest::OpsRig;
using opstest::Words;

TEST(ElapsedText, WholeSecondsUnpaddedAndTruncatedHundredths)
{
    EXPECT_EQ(ops::WithElapsed("Done", 870), "Done (0.87 sec)");
    EXPECT_EQ(ops::WithElapsed("Done", 3050), "Done (3.05 sec)");
    EXPECT_EQ(ops::WithElapsed("Done", 12345), "Done (12.34 sec)");
    EXPECT_EQ(ops::WithElapsed("Done", 5), "Done (0.00 sec)");
}

// Holds the run in StopMonitoring until the test opens the gate.
class GateMonitor final : public ops::MonitorControl {
public:
    void StopMonitoring() override
    {
        stops.push_back('s');
        entered.set_value();
        gate.wait();
    }
    void EnableMonitorControls(bool enabled) override { stops.push_back(enabled ? '+' : '-'); }

    std::promise<void> entered;
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    std::string stops;
};

TEST(Runner, RefusesEverySecondStartWhileAWorkerRunsAndStopsMonitoringFirst)
{
    GateMonitor monitor;
    OpsRig rig({}, &monitor);
    const auto dialog = rig.Dialog(27, Words(0, 8));
    ASSERT_TRUE(rig.runner.Start(OperationMode::TargetWrite, dialog));
    monitor.entered.get_future().wait();

    EXPECT_TRUE(rig.runner.IsBusy());
    EXPECT_FALSE(rig.runner.Start(OperationMode::PodWrite, dialog));
    EXPECT_FALSE(rig.runner.StartFirmwareUpdate());
    EXPECT_FALSE(rig.runner.QueryVersion());
    EXPECT_FALSE(rig.runner.ResetTarget(0, 0));
    EXPECT_EQ(rig.SentPayloads().size(), 0u) << "nothing reaches the POD before monitoring ended";

    monitor.open.set_value();
    rig.runner.Wait();
    EXPECT_FALSE(rig.runner.IsBusy());
    EXPECT_TRUE(rig.runner.LastResult().ok);
    EXPECT_EQ(monitor.stops, "s-+");
    EXPECT_EQ(rig.view.Events().front(), "controls off");
}

TEST(Runner, AFlashRunNotesItsPartFileAndResultForTheTrace)
{
    OpsRig rig;
    std::vector<std::string> notes;
    rig.runner.SetTraceNote([&notes](const std::string& text) { notes.push_back(text); });
    const image::RunChoices dialog = rig.Dialog(27, Words(0, 8));
    const auto result = rig.Run(OperationMode::TargetVerify, dialog);
    ASSERT_FALSE(result.ok) << "the blank chip does not hold the words";
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "part: MC56F8367",
                         "S file: " + dialog.sFilePath + " (" +
                             std::to_string(std::filesystem::file_size(dialog.sFilePath)) +
                             " bytes)",
                         "result: failed, " + result.message +
                             " (the POD answered error 0D (flash or stored job differs from the "
                             "data))"}));
}

TEST(Runner, SuccessLineCarriesTheElapsedTimeOfTheVirtualClock)
{
    // The connect answers 1234 ms late, well inside its time-out.
    sim::SimOptions slow;
    slow.faults.emplace_back();
    ASSERT_EQ(sim::ParseSimFault("0x20:1:slow:1234", slow.faults.back()), "");
    OpsRig rig(slow);
    const auto result = rig.Run(OperationMode::TargetWrite, rig.Dialog(27, Words(0, 8)));
    ASSERT_TRUE(result.ok) << result.message;
    char expected[80];
    std::snprintf(expected, sizeof expected, "Success to download FLASH to the MCU (%u.%02u sec)",
                  result.elapsedMs / 1000, result.elapsedMs % 1000 / 10);
    EXPECT_EQ(result.message, expected);
    EXPECT_GE(result.elapsedMs, 1234u);
    EXPECT_EQ(rig.view.LastStatus(), result.message);
    EXPECT_FALSE(rig.view.LastError());
    EXPECT_EQ(result.wordsSent[image::kP1flash], 8u);
    const std::vector<std::string> events = rig.view.Events();
    const std::vector<std::string> tail(events.end() - 3, events.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"status black " + result.message, "controls on", "pos 0"}));
}

TEST(Runner, SecondRunReusesTheOpenConnection)
{
    OpsRig rig;
    const auto dialog = rig.Dialog(27, Words(0, 8));
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok);
    EXPECT_TRUE(rig.session.IsOpen());
    ASSERT_TRUE(rig.Run(OperationMode::TargetVerify, dialog).ok);
    for (const auto& line : rig.Trace())
        EXPECT_EQ(line.find("open"), std::string::npos) << line;
}

TEST(Runner, FailedLoadSendsNoCommandAndClosesTheConnection)
{
    OpsRig rig;
    auto dialog = rig.Dialog(27, Words(0, 8));
    dialog.sFilePath = "   ";
    const auto result = rig.Run(OperationMode::TargetWrite, dialog);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Please, specify S file path");
    EXPECT_TRUE(rig.view.LastError());
    EXPECT_TRUE(rig.SentPayloads().empty());
    EXPECT_EQ(rig.session.state(), pod::PodState::Ready);

    dialog = rig.Dialog(27, Words(0, 8));
    dialog.regionChecked = {};
    rig.Run(OperationMode::PodWrite, dialog);
    EXPECT_EQ(rig.view.LastStatus(), "Please, select one more flash memory sectors");
}

TEST(Runner, LoadRelabelsTheRegionsBeforeTheSequence)
{
    OpsRig rig;
    rig.Run(OperationMode::TargetWrite, rig.Dialog(27, Words(0, 1024)));
    EXPECT_EQ(rig.view.Count("labels DFLASH (0 Word, 0%) | BFLASH (0 Word, 0%) | "
                             "P1FLASH (1024 Word, 0.8%) | P2FLASH (0 Word, 0%)"),
              1);
}

TEST(Runner, WithoutAPodTheRunSaysSoAndGivesTheControlsBack)
{
    OpsRig rig;
    rig.sim->Unplug();
    const auto result = rig.Run(OperationMode::TargetWriteVerify, rig.Dialog(27, Words(0, 8)));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Device is not connected to the PC.");
    EXPECT_TRUE(rig.view.LastError());
    EXPECT_EQ(rig.view.Events().back(), "pos 0");

    rig.sim->Plug();
    EXPECT_TRUE(rig.Run(OperationMode::TargetWrite, rig.Dialog(27, Words(0, 8))).ok);
}

TEST(VersionQuery, ShowsTheVersionAndKeepsTheConnection)
{
    OpsRig rig;
    EXPECT_TRUE(rig.runner.QueryVersion());
    EXPECT_EQ(rig.view.LastStatus(), "POD Version V1.1");
    EXPECT_FALSE(rig.view.LastError());
    EXPECT_TRUE(rig.session.IsOpen());
}

TEST(VersionQuery, UnansweredCommandIsReportedInRed)
{
    sim::SimOptions options;
    sim::SimFault fault;
    ASSERT_EQ(sim::ParseSimFault("0x01:1:silent", fault), "");
    options.faults.push_back(fault);
    OpsRig rig(options);
    EXPECT_FALSE(rig.runner.QueryVersion());
    EXPECT_EQ(rig.view.LastStatus(), "Failed Get POD Version");
    EXPECT_TRUE(rig.view.LastError());
}

TEST(TargetReset, UsesThePartOfTheLastLoadAndTheListsOfTheMoment)
{
    OpsRig rig;
    EXPECT_TRUE(rig.runner.ResetTarget(0, 0));
    EXPECT_EQ(rig.SentPayloads(), (std::vector<std::string>{"201B04000001", "02"}));
    EXPECT_EQ(rig.view.LastStatus(), "Success to reset");

    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, rig.Dialog(3, Words(0x10, 4))).ok);
    rig.view.Clear();
    EXPECT_TRUE(rig.runner.ResetTarget(1, 4));
    EXPECT_EQ(rig.SentPayloads().back(), "02");
    EXPECT_EQ(rig.SentPayloads()[rig.SentPayloads().size() - 2], "2003040101F4");
}

TEST(TargetReset, StartUpLoadOnTheUiThreadSetsThePartForTheReset)
{
    OpsRig rig;
    auto dialog = rig.Dialog(3, Words(0x10, 4));
    dialog.resetDelayIndex = 2;
    EXPECT_TRUE(rig.runner.LoadSFile(dialog));
    EXPECT_EQ(rig.view.LastStatus(), "Success to load S File");
    EXPECT_TRUE(rig.SentPayloads().empty()) << "a load alone does not touch the POD";
    EXPECT_TRUE(rig.runner.ResetTarget(0, 2));
    EXPECT_EQ(rig.SentPayloads().front(), "200304000032");

    // A load that fails its path check keeps the part of the last good one.
    dialog.mcuIndex = 10;
    dialog.sFilePath = "";
    EXPECT_FALSE(rig.runner.LoadSFile(dialog));
    EXPECT_EQ(rig.runner.Settings().mcuType, 3);
}

TEST(TargetReset, UnansweredConnectLeavesTheStatusLineAndFailedResetIsRed)
{
    sim::SimOptions options;
    for (const char* text : {"0x20:1:error", "0x02:1:error"}) {
        sim::SimFault fault;
        ASSERT_EQ(sim::ParseSimFault(text, fault), "");
        options.faults.push_back(fault);
    }
    OpsRig rig(options);
    EXPECT_FALSE(rig.runner.ResetTarget(0, 0));
    EXPECT_TRUE(rig.view.Events().empty());
    EXPECT_FALSE(rig.runner.ResetTarget(0, 0));
    EXPECT_EQ(rig.view.LastStatus(), "Failed to reset");
    EXPECT_TRUE(rig.view.LastError());
}

TEST(FirmwareUpdate, WritesTheCarriedImageAndThePodThenAnswersItsVersion)
{
    sim::SimOptions options;
    options.boot = true;
    OpsRig rig(options);
    rig.view.Clear();
    ASSERT_TRUE(rig.runner.StartFirmwareUpdate());
    rig.runner.Wait();
    const auto result = rig.runner.LastResult();
    ASSERT_TRUE(result.ok) << rig.view.LastStatus();
    EXPECT_EQ(result.message, "Success to firmware update to the POD");
    EXPECT_EQ(rig.view.Events().front(), "controls off");
    EXPECT_EQ(rig.view.Events()[1], "status black Firmware updateing...");
    EXPECT_EQ(rig.view.Count("range 94"), 1);
    EXPECT_EQ(rig.view.Count("step"), 94);
    EXPECT_FALSE(rig.session.IsOpen());

    // The last block: 37 bytes at 0x08005E00.
    const auto trace = rig.Trace();
    bool lastAddress = false;
    for (const auto& line : trace)
        lastAddress = lastAddress || line.find("> 08 00 5E 00 56") != std::string::npos;
    EXPECT_TRUE(lastAddress);

    EXPECT_TRUE(rig.runner.QueryVersion());
    EXPECT_EQ(rig.view.LastStatus(), "POD Version V1.2");
}

class FailingBootStep : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Steps, FailingBootStep,
                         ::testing::Values("erase:1:error", "erase:1:silent", "write:1:garbage",
                                           "write:95:error", "write:40:unplug"));

TEST_P(FailingBootStep, EndsTheUpdateWithItsMessageTheLinkClosedAndTheBarAtZero)
{
    sim::SimOptions options;
    options.boot = true;
    sim::SimFault fault;
    ASSERT_EQ(sim::ParseSimFault(GetParam(), fault), "");
    options.faults.push_back(fault);
    OpsRig rig(options);
    ASSERT_TRUE(rig.runner.StartFirmwareUpdate());
    rig.runner.Wait();
    EXPECT_FALSE(rig.runner.LastResult().ok);
    EXPECT_EQ(rig.view.LastStatus(), "Failed to firmware update to the POD");
    EXPECT_TRUE(rig.view.LastError());
    EXPECT_FALSE(rig.session.IsOpen());
    const std::vector<std::string> events = rig.view.Events();
    const std::vector<std::string> tail(events.end() - 3, events.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"pos 0", "status red Failed to firmware update to the POD",
                                        "controls on"}));
}

TEST(FirmwareUpdate, UnansweredSyncFailsWithoutErasing)
{
    sim::SimOptions options;
    options.boot = true;
    sim::SimFault fault;
    ASSERT_EQ(sim::ParseSimFault("sync:1:silent", fault), "");
    options.faults.push_back(fault);
    OpsRig rig(options);
    ASSERT_TRUE(rig.runner.StartFirmwareUpdate());
    rig.runner.Wait();
    EXPECT_EQ(rig.view.LastStatus(), "Failed to firmware update to the POD");
    EXPECT_TRUE(rig.view.LastError());
    for (const auto& line : rig.Trace())
        EXPECT_EQ(line.find("43 BC"), std::string::npos) << line;
    EXPECT_EQ(rig.view.Events().back(), "controls on");
}

TEST(FirmwareUpdate, WithoutAPodNothingIsSentAndTheFailureReplacesTheDetectionMessage)
{
    OpsRig rig;
    rig.sim->Unplug();
    ASSERT_TRUE(rig.runner.StartFirmwareUpdate());
    rig.runner.Wait();
    EXPECT_EQ(rig.view.Count("status red Device is not connected to the PC."), 1);
    EXPECT_EQ(rig.view.LastStatus(), "Failed to firmware update to the POD");
    for (const auto& line : rig.Trace())
        EXPECT_EQ(line.find(">"), std::string::npos) << line;
}

} // namespace
