#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "image/McuCatalog.h"
#include "image/ResourceStore.h"

namespace {

namespace fs = std::filesystem;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(PodFirmware, HasTheSizeVectorTableAndVersionTag)
{
    const auto fw = image::PodFirmwareImage();
    ASSERT_EQ(fw.size(), 24101u);
    EXPECT_EQ(Le32(fw, 0) & 0xFFFF0000u, 0x20000000u); // initial stack pointer in SRAM
    const std::uint32_t reset = Le32(fw, 4);
    EXPECT_EQ(reset & 0xFFFF0000u, 0x08000000u); // reset handler in flash
    EXPECT_EQ(reset & 1u, 1u);                   // Thumb state
    for (std::size_t v = 2; v < 16; ++v) {
        EXPECT_EQ(Le32(fw, 4 * v) & 0xFFFF0001u, 0x08000001u) << v;
    }
    const char* tag = "QUOBIN POD FIRMWARE V1.2";
    EXPECT_EQ(std::memcmp(fw.data() + 0x200, tag, std::strlen(tag) + 1), 0);
}

class ResourceDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("quobin-res-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir / "loaders");
        fs::create_directories(m_dir / "firmware");
    }
    void TearDown() override
    {
        image::SetResourceDirectory("");
        fs::remove_all(m_dir);
    }
    void Write(const fs::path& rel, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(m_dir / rel, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    fs::path m_dir;
};

TEST_F(ResourceDirectory, ReplacesFilesOfTheRightSizeAndKeepsBuiltInsOtherwise)
{
    const auto builtIn801 = image::LoaderFor(0);
    const auto builtIn807 = image::LoaderFor(4);
    const std::vector<std::uint16_t> keep807(builtIn807.begin(), builtIn807.end());
    const auto builtInFw = image::PodFirmwareImage();

    std::vector<std::uint8_t> loader(2 * 317);
    for (std::size_t i = 0; i < loader.size(); ++i) {
        loader[i] = static_cast<std::uint8_t>(i);
    }
    Write("loaders/DSP56F801.bin", loader);
    Write("loaders/DSP56F807.bin", std::vector<std::uint8_t>(2 * 399 + 1, 0)); // one byte too many
    Write("firmware/pod-firmware.bin", std::vector<std::uint8_t>(24101, 0xA5));

    const image::ResourceReport report = image::SetResourceDirectory(m_dir.string());
    EXPECT_TRUE(report.directoryFound);
    ASSERT_EQ(report.files.size(), 3u);
    EXPECT_TRUE(report.anyIgnored());
    int used = 0;
    int wrong = 0;
    for (const auto& f : report.files) {
        used += f.state == image::ResourceFileStatus::State::Used;
        if (f.state == image::ResourceFileStatus::State::WrongSize) {
            ++wrong;
            EXPECT_EQ(f.expectedBytes, 798u);
            EXPECT_EQ(f.actualBytes, 799u);
            EXPECT_NE(image::DescribeResourceStatus(f).find("799 bytes, expected 798"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(used, 2);
    EXPECT_EQ(wrong, 1);

    // Both parts sharing the routine get the replacement, word by word little-endian.
    for (int type : {0, 1}) {
        const auto words = image::LoaderFor(type);
        ASSERT_EQ(words.size(), 317u);
        EXPECT_EQ(words[0], 0x0100);
        EXPECT_EQ(words[1], 0x0302);
    }
    EXPECT_NE(image::LoaderFor(0).data(), builtIn801.data());
    const auto now807 = image::LoaderFor(4);
    EXPECT_TRUE(std::equal(now807.begin(), now807.end(), keep807.begin(), keep807.end()));
    const auto fw = image::PodFirmwareImage();
    ASSERT_EQ(fw.size(), 24101u);
    EXPECT_EQ(fw[0], 0xA5);

    // An empty directory name goes back to what is built in; earlier spans stay readable.
    const auto replaced = image::LoaderFor(0);
    image::SetResourceDirectory("");
    EXPECT_EQ(image::LoaderFor(0).data(), builtIn801.data());
    EXPECT_EQ(image::PodFirmwareImage().data(), builtInFw.data());
    EXPECT_EQ(replaced[1], 0x0302);
}

// The lines the command line and the window print for each replacement file.
TEST(ResourceStatus, LinesNameTheFileAndWhyItWasIgnored)
{
    using State = image::ResourceFileStatus::State;
    const struct {
        image::ResourceFileStatus status;
        const char* line;
    } cases[] = {
        {{"res/loaders/MC56F8013.bin", State::Used, 592, 592, ""},
         "using res/loaders/MC56F8013.bin"},
        {{"res/loaders/MC56F8013.bin", State::WrongSize, 592, 600, ""},
         "ignoring res/loaders/MC56F8013.bin: 600 bytes, expected 592; the built-in image stays"},
        {{"res/firmware/pod-firmware.bin", State::Unreadable, 24101, 0, "Permission denied"},
         "ignoring res/firmware/pod-firmware.bin: cannot be read (Permission denied); the "
         "built-in image stays"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(image::DescribeResourceStatus(c.status), c.line);
}

TEST_F(ResourceDirectory, MissingDirectoryChangesNothing)
{
    const auto builtIn = image::LoaderFor(27);
    const auto report = image::SetResourceDirectory((m_dir / "nope").string());
    EXPECT_FALSE(report.directoryFound);
    EXPECT_TRUE(report.files.empty());
    EXPECT_EQ(image::LoaderFor(27).data(), builtIn.data());
}

} // namespace
