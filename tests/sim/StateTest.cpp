#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "SimTestSupport.h"
#include "sim/SimCatalog.h"

using simtest::Bench;
using simtest::Hex;
using simtest::Sum;
using simtest::Words;
namespace fs = std::filesystem;

namespace {

class SimState : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("quobin-sim-state-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    sim::SimOptions Options() const
    {
        sim::SimOptions options;
        options.stateDir = m_dir.string();
        return options;
    }
    std::string Read(const char* name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
};

TEST_F(SimState, FlashJobAndSecurityOutliveTheEmulator)
{
    {
        Bench bench(Options());
        ASSERT_TRUE(bench.OpenCommand());
        ASSERT_TRUE(bench.ConnectAndLoad(27, 4));
        ASSERT_TRUE(bench.Ok("26"
                             "00"
                             "0002"
                             "1234"
                             "ABCD"));
        ASSERT_TRUE(bench.Ok("27"
                             "01"
                             "00"
                             "004000"
                             "0002" +
                             Hex(Sum({0x1234, 0xABCD}), 4)));
        ASSERT_TRUE(bench.Ok("11"
                             "01"
                             "1B"
                             "04"
                             "01"
                             "00"
                             "0064"
                             "024F"
                             "0000"
                             "0000"
                             "000002"
                             "000000"));
        ASSERT_TRUE(bench.Ok("12"
                             "01"
                             "024F" +
                             Words(bench.Loader(27))));
        ASSERT_TRUE(bench.Ok("13"
                             "01"
                             "044C"
                             "0004"
                             "0001"
                             "0002"));
        bench.Close();
    }
    // Region files: raw little-endian words, each the region's full size.
    const std::string dflash = Read("DFLASH.bin");
    ASSERT_EQ(dflash.size(), 0x4000u * 2);
    EXPECT_EQ(dflash.substr(0, 5), std::string("\x34\x12\xCD\xAB\xFF", 5));
    EXPECT_EQ(Read("P1FLASH.bin").size(), 0x20000u * 2);
    EXPECT_EQ(Read("BFLASH.bin").size(), 0x4000u * 2);
    EXPECT_EQ(Read("P2FLASH.bin").size(), 0x20000u * 2);
    EXPECT_EQ(Read("pod.txt"), "version=1.1\nboot-only=0\nmcu=27\nsecured=0\n");
    EXPECT_NE(Read("job.txt").find("block 1100 00010002\n"), std::string::npos);

    Bench again(Options());
    EXPECT_EQ(again.Pod().FlashOf(0)[1], 0xABCD);
    const sim::PodJobStore job = again.Pod().Job();
    ASSERT_TRUE(job.HasHeader());
    EXPECT_EQ(job.Header().resetAfter, 1u);
    EXPECT_EQ(job.RegionWords(2), (std::vector<std::uint16_t>{1, 2}));
    ASSERT_TRUE(again.OpenCommand());
    EXPECT_TRUE(again.Ok("13"
                         "00"
                         "044C"
                         "0004"
                         "0001"
                         "0002")); // verify against the kept job
    EXPECT_FALSE(again.Ok("13"
                          "00"
                          "044C"
                          "0004"
                          "0001"
                          "0003"));
}

TEST_F(SimState, TargetRamIsKeptAndTheProgramGoesOnFromIt)
{
    const std::uint32_t step = 0x008A;  // triangleStep of the demo program
    const std::uint32_t spare = 0x00A0; // a word the program never touches
    unsigned long counterBefore = 0;
    {
        Bench bench(Options());
        ASSERT_TRUE(bench.OpenCommand());
        ASSERT_TRUE(bench.Ok("5202" + Hex(step, 6) + "0003"));
        ASSERT_TRUE(bench.Ok("5202" + Hex(spare, 6) + "BEEF"));
        bench.clock.Advance(1000);
        counterBefore = std::stoul(bench.Command("5102000080").substr(3, 4), nullptr, 16);
        bench.Close();
    }
    ASSERT_GE(counterBefore, 100u);
    const std::string ram2 = Read("RAM2.bin");
    ASSERT_FALSE(ram2.empty());
    EXPECT_EQ(static_cast<unsigned char>(ram2[2 * spare]), 0xEF);
    EXPECT_EQ(static_cast<unsigned char>(ram2[2 * spare + 1]), 0xBE);

    Bench next(Options());
    ASSERT_TRUE(next.OpenCommand());
    EXPECT_EQ(next.Command("5102" + Hex(spare, 6)).substr(3, 4), "BEEF");
    EXPECT_EQ(next.Command("5102" + Hex(step, 6)).substr(3, 4), "0003");
    // counter16 goes on from where the first run left it, not from 0.
    EXPECT_GE(std::stoul(next.Command("5102000080").substr(3, 4), nullptr, 16), counterBefore);
}

TEST_F(SimState, UpdateInBootModeIsTheNextRunsVersion)
{
    {
        sim::SimOptions options = Options();
        options.boot = true;
        Bench bench(options);
        ASSERT_TRUE(bench.OpenBoot());
        ASSERT_EQ(bench.Raw("\x7F"), "\x79");
        ASSERT_EQ(bench.Raw("\x43\xBC"), "\x79");
        ASSERT_EQ(bench.Raw(std::string("\xFF\x00", 2)), "\x79");
        const auto image = sim::CarriedFirmware();
        for (std::size_t offset = 0; offset < image.size(); offset += 256) {
            const std::size_t n = std::min<std::size_t>(256, image.size() - offset);
            ASSERT_EQ(bench.Raw("\x31\xCE"), "\x79");
            std::string address = {0x08, 0x00, static_cast<char>(offset >> 8),
                                   static_cast<char>(offset & 0xFF)};
            address.push_back(static_cast<char>(address[0] ^ address[1] ^ address[2] ^ address[3]));
            ASSERT_EQ(bench.Raw(address), "\x79");
            std::string data(1, static_cast<char>(n - 1));
            char x = static_cast<char>(n - 1);
            for (std::size_t i = 0; i < n; ++i) {
                data.push_back(static_cast<char>(image[offset + i]));
                x = static_cast<char>(x ^ static_cast<char>(image[offset + i]));
            }
            data.push_back(x);
            ASSERT_EQ(bench.Raw(data), "\x79");
        }
        bench.Close();
    }
    EXPECT_EQ(Read("firmware.bin").size(), 24101u);
    // Powered up again, the POD starts the new image.
    EXPECT_NE(Read("pod.txt").find("version=1.2\n"), std::string::npos);

    Bench next(Options());
    ASSERT_TRUE(next.OpenCommand());
    EXPECT_EQ(next.Command("01").substr(0, 5), ":0112");
    next.Close();
    EXPECT_NE(Read("pod.txt").find("version=1.2\n"), std::string::npos);
}

TEST_F(SimState, AnUnfinishedUpdateLeavesOnlyTheBootLoader)
{
    {
        sim::SimOptions options = Options();
        options.boot = true;
        Bench bench(options);
        ASSERT_TRUE(bench.OpenBoot());
        ASSERT_EQ(bench.Raw("\x43\xBC"), "\x79");
        ASSERT_EQ(bench.Raw(std::string("\xFF\x00", 2)), "\x79");
        bench.Close();
    }
    Bench next(Options());
    EXPECT_EQ(next.Pod().CurrentMode(), sim::EmulatedPod::Mode::kBoot);
    ASSERT_TRUE(next.OpenBoot());
    EXPECT_EQ(next.Raw("\x7F"), "\x79");
}

TEST_F(SimState, SecuredFlagAndTypeAreKept)
{
    {
        sim::SimOptions options = Options();
        options.secured = true;
        options.mcu = 10;
        Bench bench(options);
        ASSERT_TRUE(bench.OpenCommand());
        ASSERT_TRUE(bench.Ok("200A04000064"));
        bench.Close();
    }
    EXPECT_EQ(Read("pod.txt"), "version=1.1\nboot-only=0\nmcu=10\nsecured=1\n");
    EXPECT_FALSE(fs::exists(m_dir / "DFLASH.bin")); // MC56F8013 has P1FLASH only
    Bench next(Options());
    EXPECT_EQ(next.Pod().CurrentMcuType(), 10);
    EXPECT_TRUE(next.Pod().ChipSecured());
    ASSERT_TRUE(next.OpenCommand());
    ASSERT_TRUE(next.Ok("200A04000064"));
    EXPECT_EQ(next.Command("21").substr(0, 5), ":2102");
}

TEST_F(SimState, MalformedStateIsReported)
{
    fs::create_directories(m_dir);
    std::ofstream(m_dir / "pod.txt") << "version=one\n";
    Bench bench(Options());
    EXPECT_NE(bench.Pod().LoadError().find("bad version 'one'"), std::string::npos);
    EXPECT_EQ(bench.Pod().VersionMajor(), 1);
    EXPECT_EQ(bench.Pod().VersionMinor(), 1);
}

TEST_F(SimState, AStateFileThatCannotBeWrittenIsNamedWithTheReason)
{
    fs::create_directories(m_dir / "pod.txt"); // a folder where the file belongs
    Bench bench(Options());
    ASSERT_TRUE(bench.OpenCommand());
    bench.Close();
    EXPECT_EQ(bench.Pod().SaveError(),
              "cannot write " + (m_dir / "pod.txt").string() + ": Is a directory");
}

} // namespace

namespace {

TEST(SimStateWrite, AnUnwritableDirectoryIsReported)
{
    sim::SimOptions options;
    options.stateDir = "/proc/quobin-sim-cannot-be-here";
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand());
    bench.Close();
    EXPECT_NE(bench.Pod().SaveError().find("cannot create /proc/quobin-sim-cannot-be-here"),
              std::string::npos);
    EXPECT_EQ(bench.Pod().LoadError(), "");
}

} // namespace
