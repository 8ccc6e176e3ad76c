// The exact frames of the target and POD sequences for small, telling cases.
#include "tests/ops/OpsRig.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using ops::OperationMode;
using opstest::OpsRig;
using opstest::Words;

std::vector<std::string> WithOpcode(const std::vector<std::string>& payloads, const std::string& op)
{
    std::vector<std::string> out;
    for (const auto& p : payloads)
        if (p.rfind(op, 0) == 0) out.push_back(p);
    return out;
}

image::RunChoices OnlyRegion(image::RunChoices d, int region)
{
    d.regionChecked = {};
    d.regionChecked[static_cast<std::size_t>(region)] = true;
    return d;
}

// The 16-bit sum of the 4-digit words from `from` on.
unsigned SumOfWords(const std::string& payload, std::size_t from)
{
    unsigned sum = 0;
    for (std::size_t i = from; i + 4 <= payload.size(); i += 4)
        sum += static_cast<unsigned>(std::strtoul(payload.substr(i, 4).c_str(), nullptr, 16));
    return sum & 0xFFFF;
}

unsigned Hex(const std::string& digits)
{
    return static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 16));
}

TEST(SequenceA, RegionStartOffAPageBoundaryFillsThatPageFirstAndStepsOncePerPage)
{
    // DSP56F805: program flash starts at word 4, pages of 256 words.
    OpsRig rig;
    const auto dialog = OnlyRegion(rig.Dialog(3, Words(0x0004, 512)), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok) << rig.view.LastStatus();

    const auto payloads = rig.SentPayloads();
    // McuType 3, ConnectMode 1, Active Low, 1 ms.
    EXPECT_EQ(payloads.front(), "200301000001");
    EXPECT_EQ(WithOpcode(payloads, "24"), std::vector<std::string>{"2402"});
    const auto pages = WithOpcode(payloads, "25");
    ASSERT_EQ(pages.size(), 3u);
    // ProgramMode 1, region 2, start (6 digits), count (4), checksum (4), the words.
    EXPECT_EQ(pages[0].substr(0, 16), "25010200000400FC");
    EXPECT_EQ(pages[1].substr(0, 16), "2501020001000100");
    EXPECT_EQ(pages[2].substr(0, 16), "2501020002000004");
    EXPECT_EQ(pages[0].size(), 20u + 4 * 252);
    EXPECT_EQ(pages[2].size(), 20u + 4 * 4);
    for (const auto& p : pages)
        EXPECT_EQ(Hex(p.substr(16, 4)), SumOfWords(p, 20));
    EXPECT_EQ(payloads.back(), "2800");
    EXPECT_EQ(rig.view.Count("range 2"), 1);
    EXPECT_EQ(rig.view.Count("step"), 3);
    EXPECT_EQ(rig.view.Count("status black PROGRAM1 FLASH Download"), 1);
}

TEST(SequenceA, RegionWithinOnePageIsOneChunkFromTheRegionStart)
{
    OpsRig rig;
    const auto dialog = OnlyRegion(rig.Dialog(3, Words(0x0010, 20)), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::TargetWriteVerify, dialog).ok) << rig.view.LastStatus();
    const auto pages = WithOpcode(rig.SentPayloads(), "25");
    ASSERT_EQ(pages.size(), 1u);
    // The blank words from the region's first word up to the file's first are sent too.
    EXPECT_EQ(pages[0].substr(0, 16), "2502020000040020");
    EXPECT_EQ(rig.view.Count("status black PROGRAM1 FLASH Download & Verify"), 1);
}

TEST(SequenceB, ChunksPerPageInBlocksOf256NumberedFromZeroInEachChunk)
{
    // MC56F8367: program flash from 0 in pages of 1024 words; 1500 words.
    OpsRig rig;
    const auto dialog = OnlyRegion(rig.Dialog(27, Words(0, 1500)), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::TargetWriteVerify, dialog).ok) << rig.view.LastStatus();

    std::vector<std::string> heads;
    for (const auto& p : rig.SentPayloads())
        if (p.rfind("26", 0) == 0)
            heads.push_back(p.substr(0, 8));
        else if (p.rfind("27", 0) == 0)
            heads.push_back(p.substr(0, 16));
    const std::vector<std::string> expected = {"26000100", "26010100",         "26020100",
                                               "26030100", "2702020000000400", "26000100",
                                               "260100DC", "27020200040001DC"};
    EXPECT_EQ(heads, expected);
    EXPECT_EQ(rig.view.Count("range 4"), 1);
    EXPECT_EQ(rig.view.Count("step"), 6);
    EXPECT_EQ(rig.SentOpcodes().rfind("20 21 23 24 26", 0), 0u);
    EXPECT_EQ(WithOpcode(rig.SentPayloads(), "24"), std::vector<std::string>{"2402"});
}

TEST(SequenceB, RegionEndingOnAPageBoundarySendsNoEmptyCommit)
{
    OpsRig rig;
    const auto dialog = OnlyRegion(rig.Dialog(27, Words(0, 2048)), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok) << rig.view.LastStatus();
    const auto commits = WithOpcode(rig.SentPayloads(), "27");
    ASSERT_EQ(commits.size(), 2u);
    EXPECT_EQ(commits[0].substr(0, 16), "2701020000000400");
    EXPECT_EQ(commits[1].substr(0, 16), "2701020004000400");
    EXPECT_EQ(WithOpcode(rig.SentPayloads(), "26").size(), 8u);
}

TEST(SequenceB, SelectedRegionsWithoutWordsSendNothingButAreErased)
{
    OpsRig rig;
    const auto dialog = rig.Dialog(27, Words(0x100, 16));
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok) << rig.view.LastStatus();
    EXPECT_EQ(rig.SentOpcodes(), "20 21 23 24 26 26 27 28");
    EXPECT_EQ(WithOpcode(rig.SentPayloads(), "24"), std::vector<std::string>{"240F"});
    // Program flash is sent from its first word: 0x110 words, blank ones included.
    EXPECT_EQ(WithOpcode(rig.SentPayloads(), "27")[0].substr(0, 16), "2701020000000110");
}

TEST(SequenceB, GapsInTheFileAreSentAsBlankWordsUpToTheLastStoredWord)
{
    // Data flash with words at its start and a configuration word at its very end: all
    // of it is programmed, although the file stores only 17 words there.
    OpsRig rig;
    const std::string file = Words(0x2004000, 16) + testing_srec::S3(0x2007FFF, {0xC0DE}) + "\n";
    const auto dialog = OnlyRegion(rig.Dialog(27, file), image::kDflash);
    ASSERT_TRUE(rig.Run(OperationMode::TargetWrite, dialog).ok) << rig.view.LastStatus();
    const auto flash = rig.pod().FlashOf(image::kDflash, 27);
    EXPECT_EQ(flash[0], 0x1000);
    EXPECT_EQ(flash[15], 0x100F);
    EXPECT_EQ(flash[16], 0xFFFF);
    EXPECT_EQ(flash[0x3FFF], 0xC0DE);
}

TEST(PodWrite, HeaderLoaderAndBlocksOf264Words)
{
    OpsRig rig;
    const auto dialog = OnlyRegion(rig.Dialog(27, Words(0, 1000)), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::PodWrite, dialog).ok) << rig.view.LastStatus();

    const auto payloads = rig.SentPayloads();
    ASSERT_EQ(payloads.size(), 6u);
    // Mode 1, McuType 27, 4, no reset after, Active Low, 1 ms, loader 591 words,
    // DFLASH 0, BFLASH 0, P1FLASH 1000, P2FLASH 0.
    EXPECT_EQ(payloads[0], "11011B040000"
                           "0001"
                           "024F"
                           "0000"
                           "0000"
                           "0003E8"
                           "000000");
    EXPECT_EQ(payloads[1].substr(0, 8), "1201024F");
    EXPECT_EQ(payloads[1].size(), 8u + 4 * 591);
    EXPECT_EQ(payloads[2].substr(0, 12), "1301044C0210");
    EXPECT_EQ(payloads[3].substr(0, 12), "1301044D0210");
    EXPECT_EQ(payloads[4].substr(0, 12), "1301044E0210");
    EXPECT_EQ(payloads[5].substr(0, 12), "1301044F01A0");
    EXPECT_EQ(payloads[5].size(), 12u + 4 * 208);
    EXPECT_EQ(rig.view.Count("range 3"), 1);
    EXPECT_EQ(rig.view.Count("step"), 4);

    const auto job = rig.pod().Job();
    EXPECT_EQ(job.Header().counts[image::kP1flash], 1000u);
    EXPECT_EQ(job.Loader().size(), 591u);
    const auto stored = job.RegionWords(image::kP1flash);
    ASSERT_EQ(stored.size(), 1000u);
    EXPECT_TRUE(
        std::equal(stored.begin(), stored.end(), rig.images.image(image::kP1flash).begin()));

    // POD Verify sends the same job with ProgramMode 0 and the POD finds it equal.
    ASSERT_TRUE(rig.Run(OperationMode::PodVerify, dialog).ok) << rig.view.LastStatus();
    EXPECT_EQ(rig.SentPayloads()[0].substr(0, 4), "1100");
    EXPECT_EQ(rig.SentPayloads()[5].substr(0, 12), "1300044F01A0");
}

TEST(PodWrite, ExactMultipleOf264EndsWithAFullBlockAndEmptyRegionSendsOneEmptyBlock)
{
    OpsRig rig;
    auto dialog = rig.Dialog(27, Words(0, 528));
    dialog.regionChecked = {true, false, true, false};
    ASSERT_TRUE(rig.Run(OperationMode::PodWriteVerify, dialog).ok) << rig.view.LastStatus();
    std::vector<std::string> heads;
    for (const auto& p : WithOpcode(rig.SentPayloads(), "13"))
        heads.push_back(p.substr(0, 12));
    const std::vector<std::string> expected = {"130200640000", "1302044C0210", "1302044D0210"};
    EXPECT_EQ(heads, expected);
}

TEST(PodWrite, HeaderCountsTheProgrammedLengthNotTheStores)
{
    OpsRig rig;
    // Ten words, a gap, ten more: twenty stores over 110 words of the region.
    const std::string file = Words(0, 10) + Words(100, 10);
    const auto dialog = OnlyRegion(rig.Dialog(27, file), image::kP1flash);
    ASSERT_TRUE(rig.Run(OperationMode::PodWrite, dialog).ok) << rig.view.LastStatus();
    EXPECT_EQ(rig.SentPayloads()[0].substr(28, 6), "00006E");
    EXPECT_EQ(WithOpcode(rig.SentPayloads(), "13")[0].substr(0, 12), "1301044C00DC");
}

TEST(PodWrite, FailuresShowTheirStepsMessage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0x11:1:error", "Failed to write information to the POD"},
        {"0x12:1:silent", "Failed to write firmware to the POD"},
        {"0x13:1:garbage", "Failed to write DFLASH to the POD"},
    };
    for (const auto& [text, message] : cases) {
        sim::SimOptions options;
        sim::SimFault fault;
        ASSERT_EQ(sim::ParseSimFault(text, fault), "");
        options.faults.push_back(fault);
        OpsRig rig(options);
        const auto result = rig.Run(OperationMode::PodWrite, rig.Dialog(27, Words(0x2004000, 8)));
        EXPECT_FALSE(result.ok) << text;
        EXPECT_EQ(rig.view.LastStatus(), message);
        EXPECT_TRUE(rig.view.LastError());
        EXPECT_FALSE(rig.session.IsOpen());
        EXPECT_EQ(rig.session.state(), pod::PodState::Ready) << "the driver stays loaded";
        EXPECT_EQ(rig.view.Events().back(), "pos 0");
    }
}

} // namespace
