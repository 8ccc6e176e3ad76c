#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "tests/sim/SimTestSupport.h"
#include "sim/SimCatalog.h"
#include "sim/SimStateStore.h"
#include "tests/support/TestSystem.h"

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

// Every file of the directory with its content; a FIFO or folder shows as a marker.
std::map<std::string, std::string> Snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file()) {
            files[name] = "<not a file>";
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files[name] = text.str();
    }
    return files;
}

std::map<std::string, std::uint64_t> Inodes(const fs::path& dir)
{
    std::map<std::string, std::uint64_t> inodes;
    for (const auto& entry : fs::directory_iterator(dir)) {
        inodes[entry.path().filename().string()] = support::FileIdentity(entry.path().string());
    }
    return inodes;
}

// A saved MC56F8013 (P1FLASH only, 8K words; RAM windows of 2K words).
void SaveSmallChip(const sim::SimOptions& base)
{
    sim::SimOptions options = base;
    options.mcu = 10;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.Ok("200A04000064"));
    bench.Close();
}

TEST_F(SimState, AFileThatCannotBeUsedStopsTheLoadAndTheDirectoryStaysAsItWas)
{
    const char* blankChip = "; move it away to start with a blank chip";
    struct Case {
        const char* file;
        std::function<void(const fs::path&)> spoil;
        std::string reason;
    };
    auto write = [](const char* text) {
        return [text](const fs::path& path) { std::ofstream(path, std::ios::binary) << text; };
    };
    const std::vector<Case> cases = {
        {"pod.txt", write("version=16.1\n"),
         "line 1 ('version=16.1'): the version must be X.Y with each part 0..15; move it away to "
         "start with a factory POD and a blank chip"},
        {"pod.txt", write("version=1.-1\n"),
         "line 1 ('version=1.-1'): the version must be X.Y with each part 0..15; move it away to "
         "start with a factory POD and a blank chip"},
        {"pod.txt", write("version=1.1\nmcu=28\n"),
         "line 2 ('mcu=28'): the MCU type must be 0..27; move it away to start with a factory "
         "POD and a blank chip"},
        {"pod.txt", write("version=1.1\nsecured=yes\n"),
         "line 2 ('secured=yes'): secured must be 0 or 1; move it away to start with a factory "
         "POD and a blank chip"},
        {"pod.txt", write("boot-only=0\n"),
         "no version line; move it away to start with a factory POD and a blank chip"},
        {"pod.txt",
         [](const fs::path& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         "is a directory; move it away to start with a factory POD and a blank chip"},
        {"P1FLASH.bin", write("0123456789"),
         std::string("has 10 bytes where the MC56F8013 has 16384") + blankChip},
        {"P1FLASH.bin",
         [](const fs::path& p) {
             fs::remove(p);
             support::MakeFifo(p.string());
         },
         std::string("is not a regular file (a FIFO, device or socket)") + blankChip},
        {"DFLASH.bin", write("\xFF\xFF"),
         std::string("is a region the MC56F8013 does not have") + blankChip},
        {"RAM2.bin",
         [](const fs::path& p) {
             fs::remove(p);
             fs::create_symlink("/dev/zero", p);
         },
         "is not a regular file (a FIFO, device or socket); move it away to start the chip's "
         "RAM at zero"},
        {"firmware.bin", [](const fs::path& p) { std::ofstream(p) << std::string(0x10001, 'x'); },
         "has 65537 bytes, more than the 65536 it can have; move it away to start with the "
         "factory firmware"},
        {"job.txt", write("header 10 4\n"),
         "line 1: bad header; move it away to start with an empty job store"},
        {"job.txt", write("loader 12345\n"),
         "line 1: bad loader words; move it away to start with an empty job store"},
        {"pod.txt", [](const fs::path& p) { fs::remove(p); },
         "is missing while P1FLASH.bin is there; move the other files away to start with a "
         "factory POD and a blank chip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.reason);
        fs::remove_all(m_dir);
        SaveSmallChip(Options());
        c.spoil(m_dir / c.file);
        const auto before = Snapshot(m_dir);
        {
            Bench bench(Options());
            EXPECT_EQ(bench.Pod().LoadError(), (m_dir / c.file).string() + ": " + c.reason);
            ASSERT_TRUE(bench.OpenCommand());
            EXPECT_TRUE(bench.Ok("200A04000064"));
            bench.Close();
            EXPECT_EQ(bench.Pod().Save(), "");
        }
        EXPECT_EQ(Snapshot(m_dir), before);
    }
}

TEST_F(SimState, AFailedSaveNamesTheFileAndTheReason)
{
    fs::create_directories(m_dir / ".pod.txt.new"); // where the new pod.txt is written first
    Bench bench(Options());
    ASSERT_TRUE(bench.OpenCommand());
    bench.Close();
    const std::string expected =
        "cannot write " + (m_dir / ".pod.txt.new").string() + ": " + support::kFolderReadAsFile;
    EXPECT_EQ(bench.Pod().SaveError(), expected);
    // Every later save tries again, and fails the same way.
    EXPECT_EQ(bench.Pod().Save(), expected);
    fs::remove(m_dir / ".pod.txt.new");
    EXPECT_EQ(bench.Pod().Save(), "");
    EXPECT_EQ(Read("pod.txt"), "version=1.1\nboot-only=0\nmcu=27\nsecured=0\n");
}

TEST_F(SimState, AVerifyRewritesNothing)
{
    SaveSmallChip(Options());
    {
        Bench bench(Options());
        ASSERT_TRUE(bench.OpenCommand());
        ASSERT_TRUE(bench.ConnectAndLoad(10, 4));
        ASSERT_TRUE(bench.Ok("11"
                             "02"
                             "0A"
                             "04"
                             "00"
                             "00"
                             "0064" +
                             Hex(bench.Loader(10).size(), 4) + "00000000000000000000"));
        bench.Close();
    }
    const auto inodes = Inodes(m_dir);
    const auto files = Snapshot(m_dir);
    Bench bench(Options());
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_TRUE(bench.Ok("11"
                         "00"
                         "0A"
                         "04"
                         "00"
                         "00"
                         "0064" +
                         Hex(bench.Loader(10).size(), 4) + "00000000000000000000"));
    bench.Close();
    EXPECT_EQ(bench.Pod().Save(), "");
    EXPECT_EQ(Inodes(m_dir), inodes);
    EXPECT_EQ(Snapshot(m_dir), files);
}

// A save stopped after any of its steps, as a kill would stop it, leaves the next load
// either the whole old state or the whole new one, and no file of the save behind.
TEST_F(SimState, ASaveStoppedAfterAnyStepLoadsAsTheOldStateOrTheNew)
{
    sim::SimState before;
    before.hasTarget = true;
    before.mcuType = 10;
    before.flash[2].assign(0x2000, 0xFFFF);
    const sim::SimPart part = *sim::PartFor(10);
    before.ram[0].assign(part.ramWindow1Last - part.ramWindow1First + 1, 0);
    before.ram[1].assign(part.ramWindow2Last - part.ramWindow2First + 1, 0);
    before.hasJob = true;
    before.jobHeader.mcuType = 10;
    sim::SimState after = before;
    after.versionMinor = 2;
    after.flash[2][0] = 0x1234;
    after.ram[1][5] = 7;
    after.hasJob = false; // a file removed by the save
    const auto oldFiles = sim::SimStateStore::Files(before);
    const auto newFiles = sim::SimStateStore::Files(after);
    std::set<std::string> outcomes;
    for (int stopAt = 1;; ++stopAt) {
        SCOPED_TRACE(stopAt);
        fs::remove_all(m_dir);
        std::string error;
        ASSERT_TRUE(sim::SimStateStore(m_dir.string()).Save(before, nullptr, error)) << error;
        bool stopped = false;
        sim::SimStateStore store(m_dir.string(), [&](int step) {
            stopped = step == stopAt;
            return !stopped;
        });
        EXPECT_NE(store.Save(after, &before, error), stopped);
        sim::SimState loaded;
        ASSERT_EQ(sim::SimStateStore(m_dir.string()).Load(loaded, error),
                  sim::SimStateStore::LoadResult::kLoaded)
            << error;
        const auto files = sim::SimStateStore::Files(loaded);
        ASSERT_TRUE(files == oldFiles || files == newFiles);
        outcomes.insert(files == oldFiles ? "old" : "new");
        for (const auto& [name, content] : Snapshot(m_dir)) {
            EXPECT_NE(name.front(), '.') << name << " left behind";
        }
        if (!stopped) {
            break;
        }
    }
    EXPECT_EQ(outcomes, (std::set<std::string>{"old", "new"}));
}

// Two programs on one folder: the second is told the state is in use, and takes it once
// the first lets it go, also while it is waiting for it.
TEST_F(SimState, ASecondHolderOfTheDirectoryWaitsOrIsRefused)
{
    auto first = std::make_unique<sim::SimStateStore>(m_dir.string());
    std::string error;
    ASSERT_TRUE(first->Lock(std::chrono::milliseconds(0), error)) << error;
    sim::SimStateStore second(m_dir.string());
    EXPECT_FALSE(second.Lock(std::chrono::milliseconds(0), error));
    EXPECT_EQ(error, m_dir.string() +
                         ": in use by another program with this emulator state (waited 0 ms); "
                         "end that program, or give another --sim-state folder");
    bool locked = false;
    std::string waitError;
    std::thread waiter([&] { locked = second.Lock(std::chrono::minutes(1), waitError); });
    first.reset();
    waiter.join();
    EXPECT_TRUE(locked) << waitError;
    EXPECT_FALSE(sim::SimStateStore(m_dir.string()).Lock(std::chrono::milliseconds(0), error));
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
