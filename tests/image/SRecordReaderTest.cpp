#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/image/SRecordText.h"
#include "image/FlashImageSet.h"
#include "image/SRecordReader.h"
#include "tests/support/TestSystem.h"

namespace {

using testing_srec::S3;
using testing_srec::TempFile;

class Reader : public ::testing::Test {
protected:
    // Reads text for a part; returns ReadSRecords' result.
    bool Read(int type, const std::string& text)
    {
        EXPECT_TRUE(m_sel.SelectMcu(type));
        TempFile file(text);
        return image::ReadSRecords(file.path(), m_sel, m_images);
    }
    std::uint16_t At(int region, std::uint32_t offset) const
    {
        return m_images.image(region)[offset];
    }

    image::McuSelection m_sel;
    image::FlashImageSet m_images;
};

TEST_F(Reader, WordsAreLowByteFirstAndLandAtTheirRegionOffset)
{
    // DSP56F801: two words at 0x1000, P1FLASH starts at 0x0004.
    ASSERT_TRUE(Read(0, "S3090000100034127856D2\n"));
    EXPECT_EQ(At(image::kP1flash, 0xFFC), 0x1234);
    EXPECT_EQ(At(image::kP1flash, 0xFFD), 0x5678);
    EXPECT_EQ(At(image::kP1flash, 0xFFB), 0xFFFF);
    EXPECT_EQ(At(image::kP1flash, 0xFFE), 0xFFFF);
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 2u);
    EXPECT_EQ(m_images.programmedLength(image::kP1flash), 0xFFEu);
    for (int r : {image::kDflash, image::kBflash, image::kP2flash}) {
        EXPECT_EQ(m_images.wordCount(r), 0u);
        EXPECT_EQ(m_images.programmedLength(r), 0u);
    }
    EXPECT_EQ(m_images.outsideWords(), 0u);
}

TEST_F(Reader, DataFlashAddressesAreRaisedByTheDataSpaceOffset)
{
    ASSERT_TRUE(Read(0, S3(0x00201000, {0xBEEF}) + "\n" + S3(0x00001000, {0x1111})));
    EXPECT_EQ(At(image::kDflash, 0), 0xBEEF);
    EXPECT_EQ(m_images.wordCount(image::kDflash), 1u);
    // The unraised address is program flash, not data flash.
    EXPECT_EQ(At(image::kP1flash, 0x1000 - 4), 0x1111);

    // MC56F8367: data flash 0x4000..0x7FFF at 0x2004000..0x2007FFF in the file.
    ASSERT_TRUE(
        Read(27, S3(0x02004000, {1}) + " " + S3(0x02007FFF, {2}) + " " + S3(0x02008000, {3})));
    EXPECT_EQ(At(image::kDflash, 0), 1);
    EXPECT_EQ(At(image::kDflash, 0x3FFF), 2);
    EXPECT_EQ(m_images.wordCount(image::kDflash), 2u);
    EXPECT_EQ(m_images.programmedLength(image::kDflash), 0x4000u);
    EXPECT_EQ(m_images.outsideWords(), 1u);
}

TEST_F(Reader, ProgramWordsZeroToThreeGoToBootFlashOnlyOnTheOld56800Parts)
{
    const std::string vectors = S3(0, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4});
    for (int type : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(Read(type, vectors));
        EXPECT_EQ(At(image::kBflash, 0), 0xA0);
        EXPECT_EQ(At(image::kBflash, 3), 0xA3);
        EXPECT_EQ(m_images.wordCount(image::kBflash), 4u);
        EXPECT_EQ(m_images.programmedLength(image::kBflash), 4u);
        EXPECT_EQ(At(image::kP1flash, 0), 0xA4); // word 4 is P1FLASH's first
        EXPECT_EQ(m_images.wordCount(image::kP1flash), 1u);
        EXPECT_EQ(m_images.outsideWords(), 0u);
    }
    // DSP56F826 starts P1FLASH at 4 as well but keeps no vectors in boot flash.
    ASSERT_TRUE(Read(5, vectors));
    EXPECT_EQ(m_images.wordCount(image::kBflash), 0u);
    EXPECT_EQ(m_images.outsideWords(), 4u);
    ASSERT_EQ(m_images.outsideRanges().size(), 1u);
    EXPECT_EQ(m_images.outsideRanges()[0].first, 0u);
    EXPECT_EQ(m_images.outsideRanges()[0].last, 3u);
    // MC56F8013 and MC56F8367 have program flash from 0.
    for (int type : {10, 27}) {
        ASSERT_TRUE(Read(type, vectors));
        EXPECT_EQ(At(image::kP1flash, 0), 0xA0);
        EXPECT_EQ(m_images.wordCount(image::kP1flash), 5u);
        EXPECT_EQ(m_images.wordCount(image::kBflash), 0u);
    }
}

TEST_F(Reader, EveryRegionOfTheFullChipAndTheirBoundaries)
{
    // MC56F8367: P1 0..0x1FFFF, P2 0x20000..0x3FFFF, B 0x40000..0x43FFF, D 0x4000..0x7FFF raised.
    std::string text;
    for (std::uint32_t a : {0x0u, 0x1FFFFu, 0x20000u, 0x3FFFFu, 0x40000u, 0x43FFFu, 0x2004000u,
                            0x2007FFFu, 0x44000u}) {
        text += S3(a, {static_cast<std::uint16_t>(a & 0xFFFF)}) + "\r\n";
    }
    ASSERT_TRUE(Read(27, text));
    EXPECT_EQ(At(image::kP1flash, 0x1FFFF), 0xFFFF);
    EXPECT_EQ(At(image::kP2flash, 0), 0x0000);
    EXPECT_EQ(At(image::kP2flash, 0x1FFFF), 0xFFFF);
    EXPECT_EQ(At(image::kBflash, 0x3FFF), 0x3FFF);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(m_images.wordCount(r), 2u) << r;
    }
    EXPECT_EQ(m_images.programmedLength(image::kP1flash), 0x20000u);
    EXPECT_EQ(m_images.programmedLength(image::kP2flash), 0x20000u);
    EXPECT_EQ(m_images.programmedLength(image::kBflash), 0x4000u);
    EXPECT_EQ(m_images.programmedLength(image::kDflash), 0x4000u);
    EXPECT_EQ(m_images.outsideWords(), 1u);
}

TEST_F(Reader, RepeatedAddressesCountTwiceButNeverStretchTheProgrammedLength)
{
    // A whole data flash written twice: the count passes the region, the extent does not.
    std::string text;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint32_t a = 0; a < 0x4000; a += 32) {
            text += S3(0x2004000 + a,
                       std::vector<std::uint16_t>(32, static_cast<std::uint16_t>(pass))) +
                    "\n";
        }
    }
    ASSERT_TRUE(Read(27, text));
    EXPECT_EQ(m_images.wordCount(image::kDflash), 0x8000u);
    EXPECT_EQ(m_images.programmedLength(image::kDflash), 0x4000u);
    EXPECT_EQ(At(image::kDflash, 0), 1); // the later word wins
}

TEST_F(Reader, ChecksumIsNotVerifiedAndHexMayBeLowerCase)
{
    ASSERT_TRUE(Read(0, "S3090000100034127856FF s3090000100034127856d2 S30900001006aBcDeF05D2"));
    EXPECT_EQ(At(image::kP1flash, 0xFFC), 0x1234);
    EXPECT_EQ(At(image::kP1flash, 0x1006 - 4), 0xCDAB);
    EXPECT_EQ(At(image::kP1flash, 0x1007 - 4), 0x05EF);
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 4u);
}

TEST_F(Reader, OtherRecordTypesAndOddBytesAreIgnored)
{
    // S0, S1, S2, S5, S7, S8, S9 never store; an odd trailing data byte is dropped.
    ASSERT_TRUE(Read(27, "S00600004844521B\nS1051000AABB8F\nS20610000011223344\nS5030001FB\n"
                         "S70500000000FA\nS804000000FB\nS9030000FC\n"
                         "S3080000000012345678\n"));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 1u);
    EXPECT_EQ(At(image::kP1flash, 0), 0x3412);
    EXPECT_EQ(At(image::kP1flash, 1), 0xFFFF);
}

TEST_F(Reader, MalformedRecordsAreSkippedWholeAndCounted)
{
    const std::string good = S3(0x100, {0x1111, 0x2222});
    std::string text;
    text += "S3\n";                     // no count
    text += "S30400000100FA\n";         // count 4: below 5
    text += "S30500000100F9\n";         // count 5: no whole word
    text += "S3060000010012E1\n";       // count 6: half a word only
    text += "S30900000200341278\n";     // two digits short of its count
    text += "S3090000020034127G56D2\n"; // non-hex data digit
    text += "S3090000Z20034127856D2\n"; // non-hex address digit
    text += "S3X90000020034127856D2\n"; // non-hex count digit
    text += good + "\n";
    ASSERT_TRUE(Read(27, text));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 2u);
    EXPECT_EQ(At(image::kP1flash, 0x100), 0x1111);
    EXPECT_EQ(At(image::kP1flash, 0x200), 0xFFFF);
    EXPECT_EQ(m_images.skips().smallCounts, 3u);
    EXPECT_EQ(m_images.skips().shortRecords, 2u);
    EXPECT_EQ(m_images.skips().badDigits, 3u);
    EXPECT_EQ(m_images.skips().longTokens, 0u);
}

TEST_F(Reader, TokensOverTheLimitAreSkippedWithoutSwallowingTheNext)
{
    // A valid record padded to exactly 1023 characters is still read; one more character
    // and the whole token is passed over.
    const std::string record = S3(0x10, {0xCAFE});
    const std::string at1023 = record + std::string(1023 - record.size(), '0');
    const std::string at1024 = S3(0x20, {0xBAD0}) + std::string(1024 - record.size(), '0');
    const std::string huge = "S3" + std::string(5'000'000, 'F');
    ASSERT_TRUE(Read(27, at1023 + "\n" + at1024 + "\t" + huge + " " + S3(0x30, {0x600D})));
    EXPECT_EQ(At(image::kP1flash, 0x10), 0xCAFE);
    EXPECT_EQ(At(image::kP1flash, 0x20), 0xFFFF);
    EXPECT_EQ(At(image::kP1flash, 0x30), 0x600D);
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 2u);
    EXPECT_EQ(m_images.skips().longTokens, 2u);
}

TEST_F(Reader, BinaryEmptyAndUnterminatedFiles)
{
    std::string binary;
    for (int i = 0; i < 200000; ++i) {
        binary.push_back(static_cast<char>((i * 7919 + (i >> 3)) & 0xFF));
    }
    binary += std::string("S3") + '\0' + "9000010003412";
    EXPECT_TRUE(Read(27, binary));
    EXPECT_TRUE(Read(27, ""));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 0u);
    // The last record needs no line end.
    ASSERT_TRUE(Read(27, S3(0x5, {0x0505})));
    EXPECT_EQ(At(image::kP1flash, 5), 0x0505);
}

TEST_F(Reader, OutsideWordsAreCountedWithMergedRanges)
{
    // MC56F8002 has only P1FLASH 0x0800..0x1FFF: the commonest mistake is a file for another part.
    std::string text = S3(0x0000, std::vector<std::uint16_t>(16, 0)) + "\n" +
                       S3(0x0010, std::vector<std::uint16_t>(16, 0)) + "\n" + S3(0x07FF, {1, 2}) +
                       "\n" + S3(0x2000, {3});
    ASSERT_TRUE(Read(7, text));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 1u);
    EXPECT_EQ(m_images.outsideWords(), 34u);
    ASSERT_EQ(m_images.outsideRanges().size(), 3u);
    EXPECT_EQ(m_images.outsideRanges()[0].first, 0u);
    EXPECT_EQ(m_images.outsideRanges()[0].last, 0x1Fu);
    EXPECT_EQ(m_images.outsideRanges()[1].first, 0x7FFu);
    EXPECT_EQ(m_images.outsideRanges()[1].last, 0x7FFu);
    EXPECT_EQ(m_images.outsideRanges()[2].first, 0x2000u);
    EXPECT_FALSE(m_images.outsideRangesTruncated());

    // Scattered words: every one counted, the kept ranges capped.
    text.clear();
    for (std::uint32_t i = 0; i < 100; ++i) {
        text += S3(0x10000 + 2 * i, {0}) + "\n";
    }
    ASSERT_TRUE(Read(7, text));
    EXPECT_EQ(m_images.outsideWords(), 100u);
    EXPECT_EQ(m_images.outsideRanges().size(), image::FlashImageSet::kMaxOutsideRanges);
    EXPECT_TRUE(m_images.outsideRangesTruncated());
}

TEST_F(Reader, AddressesNearTheTopDoNotWrapIntoProgramFlash)
{
    ASSERT_TRUE(Read(27, S3(0xFFFFFFFF, {1, 2, 3})));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 0u);
    EXPECT_EQ(m_images.outsideWords(), 3u);
    EXPECT_EQ(m_images.outsideRanges()[0].last, 0x100000001u);
}

TEST_F(Reader, EachReadStartsFromBlankImagesAndMissingFilesFail)
{
    ASSERT_TRUE(Read(27, S3(0, {0})));
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 1u);
    std::string reason;
    EXPECT_FALSE(image::ReadSRecords("/nonexistent/quobin/file.s", m_sel, m_images, &reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 0u);
    EXPECT_EQ(At(image::kP1flash, 0), 0xFFFF);
}

TEST_F(Reader, AReadThatFailsPartWayGivesTheSystemsReason)
{
    // A folder opens, but the first read of it fails, for every user.
    std::string reason;
    EXPECT_FALSE(image::ReadSRecords(std::filesystem::temp_directory_path().string(), m_sel,
                                     m_images, &reason));
    EXPECT_EQ(reason, support::kFolderReadAsFile);
}

TEST(FlashImageSet, StartsBlankAndRefusesOutOfRangeStores)
{
    image::FlashImageSet images;
    for (int r = 0; r < 4; ++r) {
        ASSERT_EQ(images.image(r).size(), 0x20000u);
        EXPECT_EQ(images.image(r)[0], 0xFFFF);
        EXPECT_EQ(images.image(r)[0x1FFFF], 0xFFFF);
    }
    EXPECT_TRUE(images.image(4).empty());
    EXPECT_TRUE(images.image(-1).empty());
    images.Store(4, 0, 0);
    images.Store(0, 0x20000, 0);
    images.Store(1, 0x1FFFF, 0x1234);
    EXPECT_EQ(images.wordCount(0), 0u);
    EXPECT_EQ(images.wordCount(1), 1u);
    EXPECT_EQ(images.programmedLength(1), 0x20000u);
    EXPECT_EQ(images.wordCount(9), 0u);
    image::ClearImages(images);
    EXPECT_EQ(images.image(1)[0x1FFFF], 0xFFFF);
    EXPECT_EQ(images.programmedLength(1), 0u);
}

} // namespace
