// Flash operations end to end: the runner drives the emulated POD and chip, and the
// tests look at what the chip holds afterwards and at every frame that was sent.
#include "tests/ops/OpsRig.h"

#include "image/McuCatalog.h"

#include <gtest/gtest.h>

namespace {

using ops::OperationMode;
using opstest::ExpectChipHoldsImages;
using opstest::OpsRig;
using opstest::Words;

// Words near the start and the end of every region the part has, with a gap between.
std::string FileFor(int mcu)
{
    const image::McuRecord& rec = image::RecordFor(mcu);
    std::string text = "S00600004844521B\n";
    for (int r = 0; r < 4; ++r) {
        if (!rec.present[r]) continue;
        const std::uint32_t offset = r == image::kDflash ? image::DataSpaceOffset(mcu) : 0;
        // Words 0..3 of program space belong to boot flash on some 56800 parts; keep clear.
        const std::uint32_t first = std::max<std::uint32_t>(rec.first[r], 4) + offset;
        const std::uint32_t last = rec.last[r] + offset;
        text += Words(first, 300, static_cast<std::uint16_t>(0x1000 * (r + 1)));
        text += Words(last - 40, 41, static_cast<std::uint16_t>(0x0800 * (r + 1)));
    }
    return text + "S70500000000FA\n";
}

class EveryFamily : public ::testing::TestWithParam<int> {};

// DSP56F805 (one command per 256-word page), MC56F8013 (buffered, 256-word pages),
// MC56F8345 (512-word program pages), MC56F8367 (1024-word program pages).
INSTANTIATE_TEST_SUITE_P(Parts, EveryFamily, ::testing::Values(3, 10, 19, 27),
                         [](const auto& info) {
                             return std::string(image::RecordFor(info.param).name);
                         });

TEST_P(EveryFamily, WriteProgramsEveryRegionAndVerifyThenPasses)
{
    const int mcu = GetParam();
    sim::SimOptions options;
    OpsRig rig(options);
    const auto dialog = rig.Dialog(mcu, FileFor(mcu));

    const auto written = rig.Run(OperationMode::TargetWrite, dialog);
    ASSERT_TRUE(written.ok) << rig.view.LastStatus();
    EXPECT_EQ(written.message.rfind("Success to download FLASH to the MCU (", 0), 0u);
    ExpectChipHoldsImages(rig, mcu);

    const auto verified = rig.Run(OperationMode::TargetVerify, dialog);
    EXPECT_TRUE(verified.ok) << rig.view.LastStatus();
    EXPECT_EQ(verified.message.rfind("Success to verify FLASH to the MCU (", 0), 0u);
    EXPECT_EQ(rig.SentOpcodes().find("24"), std::string::npos) << "a verify erases nothing";

    const auto both = rig.Run(OperationMode::TargetWriteVerify, dialog);
    EXPECT_TRUE(both.ok) << rig.view.LastStatus();
    EXPECT_EQ(both.message.rfind("Success to download and verify FLASH to the MCU (", 0), 0u);
    ExpectChipHoldsImages(rig, mcu);
}

TEST_P(EveryFamily, VerifyOfAChangedWordFailsWithItsRegionsMessageAndDropsTheDriver)
{
    const int mcu = GetParam();
    OpsRig rig;
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, rig.Dialog(mcu, FileFor(mcu))).ok);

    // The same file with one program-flash word changed.
    std::string changed = FileFor(mcu);
    const auto p1 = image::RecordFor(mcu).first[image::kP1flash];
    changed += testing_srec::S3(std::max<std::uint32_t>(p1, 4) + 7, {0x0BAD}) + "\n";
    const auto result = rig.Run(OperationMode::TargetVerify, rig.Dialog(mcu, changed));

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(rig.view.LastStatus(), "Failed to download P1FLASH to the MCU");
    EXPECT_TRUE(rig.view.LastError());
    EXPECT_EQ(rig.session.state(), pod::PodState::Absent);
    EXPECT_EQ(rig.view.Events().back(), "pos 0");
    EXPECT_EQ(rig.view.Count("controls on"), 1);

    // The next run detects the POD afresh and works.
    EXPECT_TRUE(rig.Run(OperationMode::TargetWrite, rig.Dialog(mcu, FileFor(mcu))).ok);
}

TEST(TargetWrite, SecuredChipIsUnlockedNotErasedByTheSequenceAndProgrammed)
{
    sim::SimOptions options;
    options.secured = true;
    OpsRig rig(options);
    const auto dialog = rig.Dialog(27, FileFor(27));
    const auto result = rig.Run(OperationMode::TargetWriteVerify, dialog);

    ASSERT_TRUE(result.ok) << rig.view.LastStatus();
    const std::string ops = rig.SentOpcodes();
    EXPECT_EQ(ops.rfind("20 21 22 21 23 26", 0), 0u) << ops;
    EXPECT_EQ(ops.find("24"), std::string::npos) << ops;
    EXPECT_FALSE(rig.pod().ChipSecured(27));
    ExpectChipHoldsImages(rig, 27);
}

TEST(TargetWrite, FiftySixEightHundredPartGoesOnWithoutUnlockingWhateverItsState)
{
    sim::SimOptions options;
    options.secured = true;
    OpsRig rig(options);
    rig.Run(OperationMode::TargetWrite, rig.Dialog(3, FileFor(3)));
    EXPECT_EQ(rig.SentOpcodes().find("22"), std::string::npos);
}

TEST(TargetWrite, NoTargetOnTheCableFailsTheConnect)
{
    sim::SimOptions options;
    options.noTarget = true;
    OpsRig rig(options);
    rig.Run(OperationMode::TargetWrite, rig.Dialog(27, FileFor(27)));
    EXPECT_EQ(rig.view.LastStatus(), "Failed to JTAG initialize");
}

} // namespace
