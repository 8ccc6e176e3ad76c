#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "tests/image/SRecordText.h"
#include "image/SFileLoader.h"
#include "tests/support/TestSystem.h"

namespace {

using testing_srec::S3;
using testing_srec::TempFile;

image::RunChoices Request(const std::string& path, int mcu = 27)
{
    image::RunChoices r;
    r.mcuIndex = mcu;
    r.sFilePath = path;
    r.regionChecked = {true, true, true, true};
    return r;
}

class Loader : public ::testing::Test {
protected:
    image::McuSelection m_sel;
    image::FlashImageSet m_images;
};

TEST_F(Loader, SuccessLabelsEveryRegionAndTakesTheSettings)
{
    std::string text = "S0030000FC\n";
    for (std::uint32_t a = 0; a < 0x4000; a += 32) { // whole data flash
        text += S3(0x2004000 + a, std::vector<std::uint16_t>(32, 0x1234)) + "\n";
    }
    text += S3(0x40000, std::vector<std::uint16_t>(0x10, 0)) + "\n"; // 16 of 0x4000 boot words
    text += S3(0x100, std::vector<std::uint16_t>(100, 0)) + "\n";    // splits over two records
    TempFile file(text);
    image::RunChoices req = Request("  " + file.path() + " \r\n");
    req.resetAfter = true;
    req.resetPolarityIndex = 1;
    req.resetDelayIndex = 0;
    req.regionChecked = {true, false, true, false};
    const auto out = image::LoadSFile(req, m_sel, m_images);

    EXPECT_TRUE(out.ok);
    EXPECT_FALSE(out.error);
    EXPECT_EQ(out.statusText, "Success to load S File");
    ASSERT_TRUE(out.labelsChanged);
    EXPECT_EQ(out.labels[0], "DFLASH (16384 Word, 100.0%)");
    EXPECT_EQ(out.labels[1], "BFLASH (16 Word, 0.1%)");
    EXPECT_EQ(out.labels[3], "P2FLASH (0 Word, 0%)");
    ASSERT_TRUE(out.settingsTaken);
    EXPECT_EQ(out.settings.regions, (std::array<bool, 4>{true, false, true, false}));
    EXPECT_TRUE(out.settings.resetAfter);
    EXPECT_EQ(out.settings.resetPolarity, 1);
    EXPECT_EQ(out.settings.resetDelayMs, 1);
    EXPECT_EQ(out.settings.mcuType, 27);
    // The loader stores every region whatever is checked; the boxes only pick what is programmed.
    EXPECT_EQ(m_images.wordCount(image::kBflash), 16u);
}

TEST_F(Loader, LabelsUseOneDecimalOfASinglePrecisionPercentage)
{
    m_sel.SelectMcu(27);
    EXPECT_EQ(image::RegionLabel(image::kDflash, 0, m_sel), "DFLASH (0 Word, 0%)");
    EXPECT_EQ(image::RegionLabel(image::kBflash, 0, m_sel), "BFLASH (0 Word, 0%)");
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 0, m_sel), "P1FLASH (0 Word, 0%)");
    EXPECT_EQ(image::RegionLabel(image::kP2flash, 0, m_sel), "P2FLASH (0 Word, 0%)");
    EXPECT_EQ(image::RegionLabel(image::kDflash, 1, m_sel), "DFLASH (1 Word, 0.0%)");
    EXPECT_EQ(image::RegionLabel(image::kDflash, 0x800, m_sel), "DFLASH (2048 Word, 12.5%)");
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 0x20000, m_sel), "P1FLASH (131072 Word, 100.0%)");
    EXPECT_EQ(image::RegionLabel(image::kP2flash, 0x40000, m_sel), "P2FLASH (262144 Word, 200.0%)");
    m_sel.SelectMcu(0); // DSP56F801 P1FLASH 0x0004..0x1FFF: 8188 words
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 2, m_sel), "P1FLASH (2 Word, 0.0%)");
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 8187, m_sel), "P1FLASH (8187 Word, 100.0%)");
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 4094, m_sel), "P1FLASH (4094 Word, 50.0%)");
    EXPECT_EQ(image::RegionLabel(image::kP1flash, 1000, m_sel), "P1FLASH (1000 Word, 12.2%)");
}

TEST_F(Loader, CheckFailuresLeaveEverythingAsItWas)
{
    TempFile good(S3(0x10, {0x4242}));
    ASSERT_TRUE(image::LoadSFile(Request(good.path()), m_sel, m_images).ok);

    TempFile noRegion(S3(0x10, {0x4343}));
    image::RunChoices none = Request(noRegion.path(), 0);
    none.regionChecked = {false, false, false, false};
    const std::string fifo = good.dir() + "/pipe.s";
    std::filesystem::remove(fifo);
    if (!support::MakeFifo(fifo)) GTEST_SKIP() << "this system has no FIFOs";
    struct Case {
        image::RunChoices request;
        const char* text;
        std::string detail;
    };
    const Case cases[] = {
        {Request("", 0), "Please, specify S file path", ""},
        {Request(" \t\r\n ", 0), "Please, specify S file path", ""},
        {Request("/nonexistent/quobin/demo.s", 0), "Can't find the specified S file path",
         "/nonexistent/quobin/demo.s: No such file or directory"},
        {Request(good.dir(), 0), "Can't find the specified S file path",
         good.dir() + ": Is a directory"},
        {Request(" " + good.dir() + "\t", 0), "Can't find the specified S file path",
         good.dir() + ": Is a directory (leading or trailing spaces of the path were trimmed)"},
        {Request("/dev/null", 0), "Can't find the specified S file path",
         "/dev/null: a device, not a file (not read)"},
        {Request(fifo, 0), "Can't find the specified S file path",
         fifo + ": a FIFO, not a file (not read, as reading could wait forever)"},
        {none, "Please, select one more flash memory sectors", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto out = image::LoadSFile(c.request, m_sel, m_images);
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.error);
        EXPECT_EQ(out.statusText, c.text);
        EXPECT_EQ(out.detail, c.detail);
        EXPECT_FALSE(out.labelsChanged);
        EXPECT_FALSE(out.settingsTaken);
        EXPECT_EQ(m_sel.type(), 27);
        EXPECT_EQ(m_images.image(image::kP1flash)[0x10], 0x4242);
        EXPECT_EQ(m_images.wordCount(image::kP1flash), 1u);
    }
}

TEST_F(Loader, UnreadableFileClearsTheImagesButKeepsTheLabels)
{
    TempFile good(S3(0x10, {0x4242}));
    ASSERT_TRUE(image::LoadSFile(Request(good.path()), m_sel, m_images).ok);
    if (!support::ModeBitsRefuseReading()) {
        GTEST_SKIP() << "root reads files whatever their mode, and so does everyone on Windows";
    }
    TempFile locked(S3(0x10, {0x4343}));
    std::filesystem::permissions(locked.path(), std::filesystem::perms::none);
    const auto out = image::LoadSFile(Request(locked.path(), 0), m_sel, m_images);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error);
    EXPECT_EQ(out.statusText, "Fail to read the specified S file");
    EXPECT_EQ(out.detail, locked.path() + ": Permission denied");
    EXPECT_FALSE(out.labelsChanged);
    EXPECT_TRUE(out.settingsTaken);
    EXPECT_EQ(m_sel.type(), 0);
    EXPECT_EQ(m_images.image(image::kP1flash)[0x10], 0xFFFF);
    EXPECT_EQ(m_images.wordCount(image::kP1flash), 0u);
}

TEST_F(Loader, FilesThatStoreNothingAreInvalid)
{
    const std::string onlyS1 = "S00600004844521B\nS1051000AABB8F\nS9030000FC\n";
    const std::string wrongPart = S3(0x10000, {1, 2, 3}); // MC56F8002 ends at 0x1FFF
    for (const std::string& text :
         {onlyS1, wrongPart, std::string(), std::string("\x00\x01\xFFS3", 5)}) {
        TempFile file(text);
        const auto out = image::LoadSFile(Request(file.path(), 7), m_sel, m_images);
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.error);
        EXPECT_EQ(out.statusText, "S file is invalid.");
        EXPECT_TRUE(out.labelsChanged);
        EXPECT_EQ(out.labels[2], "P1FLASH (0 Word, 0%)");
        EXPECT_TRUE(out.settingsTaken);
    }
    EXPECT_EQ(m_images.outsideWords(), 0u);
    TempFile file(wrongPart);
    image::LoadSFile(Request(file.path(), 7), m_sel, m_images);
    EXPECT_EQ(m_images.outsideWords(), 3u);
}

TEST_F(Loader, IndexesOutsideTheirListsFallBackToDefaults)
{
    TempFile file(S3(0x2004000, {7}));
    image::RunChoices req = Request(file.path(), 99);
    req.resetPolarityIndex = 2;
    req.resetDelayIndex = 5;
    auto out = image::LoadSFile(req, m_sel, m_images);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.settings.mcuType, 27);
    EXPECT_EQ(m_sel.type(), 27);
    EXPECT_EQ(out.settings.resetPolarity, 0);
    EXPECT_EQ(out.settings.resetDelayMs, 100);
    req.mcuIndex = -1;
    req.resetPolarityIndex = -1;
    req.resetDelayIndex = -1;
    out = image::LoadSFile(req, m_sel, m_images);
    EXPECT_EQ(out.settings.mcuType, 27);
    EXPECT_EQ(out.settings.resetPolarity, 0);
    EXPECT_EQ(out.settings.resetDelayMs, 100);
    for (int i = 0; i < 5; ++i) {
        req.resetDelayIndex = i;
        EXPECT_EQ(image::LoadSFile(req, m_sel, m_images).settings.resetDelayMs,
                  image::ResetDelayTable[i]);
    }
}

} // namespace
