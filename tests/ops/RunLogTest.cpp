// The run record and its log line, the wrong-part warnings, the overall progress and the
// stop between blocks, on the emulated POD.

#include "ops/Checksums.h"
#include "ops/RunRecord.h"
#include "ops/TransferProgress.h"
#include "tests/ops/OpsRig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

using ops::OperationMode;
using opstest::OpsRig;
using opstest::Words;

TEST(RunLog, LineNamesEveryTracedFieldInItsOrder)
{
    ops::RunRecord record;
    record.startedAt = "2024-05-17 14:03:07";
    record.podSerial = "QBSIM001";
    record.part = "MC56F8367";
    record.file = "/lab/demo.s";
    record.fileCrc = 0x1A2B3C4D;
    record.regions = {true, false, true, false};
    record.wordsSent = {40, 0, 260, 0};
    record.ok = true;
    record.message = "Success to download and verify FLASH to the MCU (1.23 sec)";
    record.elapsedMs = 1234;
    EXPECT_EQ(ops::RunLogLine(record),
              "2024-05-17 14:03:07  POD QBSIM001  MC56F8367  /lab/demo.s  CRC-32 1A2B3C4D  "
              "DFLASH 40, P1FLASH 260  ok  Success to download and verify FLASH to the MCU "
              "(1.23 sec)  1.23 s");

    // A run that never reached the POD or the file, with the reason of its failure.
    record.podSerial.clear();
    record.fileCrc.reset();
    record.regions = {};
    record.ok = false;
    record.message = "Download & Verify";
    record.reason = "the POD did not answer within 1500 ms";
    record.elapsedMs = 5;
    EXPECT_EQ(ops::RunLogLine(record),
              "2024-05-17 14:03:07  POD -  MC56F8367  /lab/demo.s  CRC-32 -  no region  FAILED  "
              "Download & Verify: the POD did not answer within 1500 ms  0.00 s");
}

TEST(RunLog, FileCrcIsTheZipPolynomialAndNoneForAMissingFile)
{
    const testing_srec::TempFile file("123456789");
    EXPECT_EQ(ops::DigestFile(file.path()).crc32, 0xCBF43926u);
    EXPECT_FALSE(ops::DigestFile(file.path() + ".missing").crc32.has_value());
}

TEST(RunLog, RunReportsItsRecordWithThePodSerialAndTheFileCrc)
{
    OpsRig rig;
    const auto dialog = rig.Dialog(27, Words(0, 8));
    const auto result = rig.Run(OperationMode::TargetWrite, dialog);
    ASSERT_TRUE(result.ok);
    const auto runs = rig.view.Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].podSerial, "QBSIM001");
    EXPECT_EQ(runs[0].part, "MC56F8367");
    EXPECT_EQ(runs[0].file, dialog.sFilePath);
    EXPECT_EQ(runs[0].fileCrc, ops::DigestFile(dialog.sFilePath).crc32);
    EXPECT_EQ(runs[0].wordsSent[image::kP1flash], 8u);
    EXPECT_EQ(runs[0].message, result.message);
    EXPECT_TRUE(
        std::regex_match(runs[0].startedAt, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(result.record.podSerial, "QBSIM001");
}

TEST(WrongPart, WordsOutsideThePartAreWarnedBeforeAndAfterTheRunThatStillGoesOn)
{
    OpsRig rig;
    // P1FLASH words and a data word far above the MC56F8013's data flash (data space at
    // 0x2000000 on this family).
    const int mc56f8013 = image::McuIndexByName("MC56F8013");
    ASSERT_GE(mc56f8013, 0);
    auto dialog = rig.Dialog(mc56f8013, Words(0, 8) + Words(0x2004000, 3));
    const auto result = rig.Run(OperationMode::TargetWrite, dialog);
    EXPECT_TRUE(result.ok) << result.message;
    const std::string name = std::filesystem::path(dialog.sFilePath).filename().string();
    const std::string expected = "Warning: 3 words of " + name +
                                 " lie outside every region of MC56F8013 (first at 0x2004000); "
                                 "check MCU Select";
    EXPECT_EQ(rig.view.Warnings(), (std::vector<std::string>{expected, expected}));
}

TEST(WrongPart, WordsOfAnUntickedRegionAreWarnedAndAFittingFileIsNot)
{
    OpsRig rig;
    auto dialog = rig.Dialog(27, Words(0, 8));
    ASSERT_TRUE(rig.runner.LoadSFile(dialog));
    EXPECT_TRUE(rig.view.Warnings().empty());

    dialog.regionChecked[image::kP1flash] = false;
    dialog.regionChecked[image::kDflash] = true;
    rig.view.Clear();
    ASSERT_TRUE(rig.runner.LoadSFile(dialog));
    const std::string name = std::filesystem::path(dialog.sFilePath).filename().string();
    EXPECT_EQ(rig.view.Warnings(),
              (std::vector<std::string>{"Warning: 8 words of " + name +
                                        " lie in P1FLASH, which is not ticked; they are not "
                                        "programmed"}));
}

TEST(OverallProgress, TextNamesTheRegionItsPlaceAndTheTimeLeft)
{
    struct Case {
        ops::TransferProgress progress;
        const char* text;
    };
    const Case cases[] = {
        {{"P1FLASH", 2, 3, 0, 1000, 0}, "P1FLASH 2/3"},
        {{"P1FLASH", 2, 3, 250, 1000, 3000}, "P1FLASH 2/3, about 9 s left"},
        {{"DFLASH", 1, 1, 999, 1000, 9990}, "DFLASH 1/1, about 1 s left"},
        {{"P2FLASH", 3, 3, 1000, 1000, 9000}, "P2FLASH 3/3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ops::TransferProgressText(c.progress), c.text);
}

TEST(OverallProgress, RunReportsEachRegionAndTheWordsOfTheWholeRun)
{
    OpsRig rig;
    auto dialog = rig.Dialog(27, Words(0, 600) + Words(0x2004000, 40));
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok);
    const auto progress = rig.view.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().region, "DFLASH");
    EXPECT_EQ(progress.front().ordinal, 1);
    EXPECT_EQ(progress.back().region, "P1FLASH");
    EXPECT_EQ(progress.back().ordinal, 3); // DFLASH, BFLASH, P1FLASH, P2FLASH ticked
    EXPECT_EQ(progress.back().count, 4);
    EXPECT_EQ(progress.back().wordsTotal, 640u);
    EXPECT_EQ(progress.back().wordsDone, 640u);
}

// A view that asks the runner to stop as soon as the first page of a region has gone.
class StoppingView final : public ops::ProgrammerView {
public:
    explicit StoppingView(support::RecordingView& inner) : m_inner(inner) {}
    ops::OperationRunner* runner = nullptr;
    void ShowStatus(const std::string& t, bool e) override { m_inner.ShowStatus(t, e); }
    void SetProgressRange(int u) override { m_inner.SetProgressRange(u); }
    void SetProgressStep(int s) override { m_inner.SetProgressStep(s); }
    void StepProgress() override { m_inner.StepProgress(); }
    void SetProgressPos(int p) override { m_inner.SetProgressPos(p); }
    void SetControlsEnabled(bool e) override { m_inner.SetControlsEnabled(e); }
    void SetRegionLabels(const std::array<std::string, 4>& l) override
    {
        m_inner.SetRegionLabels(l);
    }
    void ShowTransferProgress(const ops::TransferProgress& p) override
    {
        m_inner.ShowTransferProgress(p);
        runner->RequestStop();
    }

private:
    support::RecordingView& m_inner;
};

TEST(StopRequest, EndsTheRunAfterTheWholeBlockInProgress)
{
    OpsRig rig;
    StoppingView stopping(rig.view);
    ops::MonitorControl monitor;
    ops::OperationRunner runner(rig.session, rig.selection, rig.images, stopping, monitor);
    stopping.runner = &runner;
    const auto dialog = rig.Dialog(27, Words(0, 2000));
    ASSERT_TRUE(runner.Start(OperationMode::TargetWrite, dialog));
    runner.Wait();
    const auto result = runner.LastResult();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Failed to download P1FLASH to the MCU");
    // One whole page of the part's P1FLASH, its buffered blocks and the commit, not a word less.
    EXPECT_EQ(result.wordsSent[image::kP1flash], rig.selection.pageWords(image::kP1flash));
    // The next run is not stopped by the old request.
    EXPECT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok);
}

} // namespace

// What a production record takes from the run: UTC times, the operation, the file's
// SHA-256, and per region the words the image holds with their CRC-32, the serial
// number patched in included; the chip holds exactly that.
TEST(RunLog, RecordCarriesTheImageAsProgrammedWithItsPatch)
{
    OpsRig rig;
    image::RunChoices dialog = rig.Dialog(27, Words(0, 8));
    dialog.patches.push_back({0x000010, {0x03E9, 0x0000}}); // beyond the file's 8 words
    const auto result = rig.Run(OperationMode::TargetWriteVerify, dialog);
    ASSERT_TRUE(result.ok) << result.message;
    const ops::RunRecord& record = result.record;
    const std::regex utc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_TRUE(std::regex_match(record.startedUtc, utc)) << record.startedUtc;
    EXPECT_TRUE(std::regex_match(record.endedUtc, utc)) << record.endedUtc;
    EXPECT_LE(record.startedUtc, record.endedUtc);
    EXPECT_EQ(record.mode, OperationMode::TargetWriteVerify);
    EXPECT_EQ(record.fileSha256, ops::DigestFile(dialog.sFilePath).sha256);
    EXPECT_EQ(record.imageWords[image::kP1flash], 0x12u);
    const auto flash = rig.pod().FlashOf(image::kP1flash, 27);
    EXPECT_EQ(flash[0x10], 0x03E9);
    EXPECT_EQ(flash[0x11], 0x0000);
    EXPECT_EQ(record.imageCrc[image::kP1flash],
              ops::Crc32Words(std::span(flash).first(0x12)));
    EXPECT_EQ(record.imageWords[image::kDflash], 0u);
    EXPECT_EQ(record.imageCrc[image::kDflash], ops::Crc32Words({}));
}

TEST(RunLog, APatchOutsideTheTickedRegionsStopsTheRunBeforeAnyWord)
{
    OpsRig rig;
    image::RunChoices dialog = rig.Dialog(27, Words(0, 8));
    dialog.regionChecked = {false, false, true, false};
    dialog.patches.push_back({0x01FFFF, {1, 2}}); // runs one word past P1FLASH's end
    const auto result = rig.Run(OperationMode::TargetWrite, dialog);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Cannot patch the image: 0x01FFFF..0x020000 lies in no ticked "
                              "region (P1FLASH 0x000000..0x01FFFF)");
    EXPECT_EQ(result.wordsSent, (std::array<std::uint32_t, 4>{}));
    EXPECT_EQ(rig.pod().FlashOf(image::kP1flash, 27)[0], 0xFFFF); // the chip is as it was
}
