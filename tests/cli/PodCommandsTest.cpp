// The POD subcommands of quobin-cli, run in process on the emulated POD and a virtual
// clock: what they print, their exit statuses and their JSON.
#include "tests/image/SRecordText.h"
#include "pod/PodClock.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <string>
#include <unistd.h>
#include <vector>

namespace {

using support::CliRun;
constexpr auto Cli = &support::RunCli;

std::string LastLine(const std::string& text)
{
    const auto end = text.find_last_not_of('\n');
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

const std::string kDemo = QUOBIN_DEMO_SFILE;

TEST(CliVersion, PrintsThePodsVersionAndDigitsAboveNineInDecimal)
{
    auto run = Cli({"--simulate", "version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "POD Version V1.1\n");
    run = Cli({"version", "--simulate", "--sim-version", "1.10"});
    EXPECT_EQ(run.out, "POD Version V1.10\n");
}

TEST(CliVersion, WithoutAPodSaysSoAndFails)
{
    auto run = Cli({"version", "--driver", "ftdi"});
    EXPECT_EQ(run.status, 1);
    // Once, on stderr.
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("quobin-cli: Device is not connected to the PC.\n", 0), 0u) << run.err;
    run = Cli({"--simulate", "--sim-fault", "0x01:1:garbage", "version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: Failed Get POD Version\nquobin-cli: the POD's reply was cut "
                       "short or malformed\n");
}

TEST(CliVersion, AUsbFailureAddsTheBackEndsReasonOnStderr)
{
    const auto run = Cli({"--simulate", "--sim-fault", "0x01:1:unplug", "version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: Failed Get POD Version\nquobin-cli: the connection to the POD "
                       "was lost\nquobin-cli: the device was unplugged\n");
}

TEST(CliProgram, WritesAndVerifiesAndEndsWithTheResultLine)
{
    const auto run = Cli({"--simulate", "program", kDemo});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(LastLine(run.out).rfind("Success to download and verify FLASH to the MCU (", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find("PROGRAM1 FLASH Download & Verify\n"), std::string::npos);
    EXPECT_NE(run.out.find("Success to load S File\n"), std::string::npos);
}

// One shape for a run whoever asks: one POD gives an object, PODs named by --serial or
// --all-pods a list, each entry with the same fields in the same order; no POD attached
// gives an empty list, never nothing.
TEST(CliProgram, JsonGivesOneShapeForOnePodAndForSeveral)
{
    const std::vector<std::string> fields = {"serial", "ok",          "part",       "message",
                                             "reason", "elapsed_ms", "words_sent", "interrupted"};
    const struct {
        std::vector<std::string> pods;
        bool list;
        std::vector<std::string> serials;
    } cases[] = {
        {{}, false, {"QBSIM001"}},
        {{"--sim-pods", "2", "--serial", "QBSIM002"}, true, {"QBSIM002"}},
        {{"--sim-pods", "2", "--all-pods"}, true, {"QBSIM001", "QBSIM002"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--simulate", "program", kDemo,     "--write",
                                         "--json",     "--regions", "P1FLASH"};
        args.insert(args.end(), c.pods.begin(), c.pods.end());
        const auto run = Cli(args);
        SCOPED_TRACE(run.out);
        ASSERT_EQ(run.status, 0) << run.err;
        const nlohmann::ordered_json document = nlohmann::ordered_json::parse(run.out);
        ASSERT_EQ(document.is_array(), c.list);
        const nlohmann::ordered_json runs = c.list ? document : nlohmann::ordered_json::array({document});
        ASSERT_EQ(runs.size(), c.serials.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            std::vector<std::string> keys;
            for (const auto& [key, value] : runs[i].items())
                keys.push_back(key);
            EXPECT_EQ(keys, fields);
            EXPECT_EQ(runs[i]["serial"], c.serials[i]);
            EXPECT_EQ(runs[i]["words_sent"]["P1FLASH"], 768);
            EXPECT_EQ(runs[i]["words_sent"]["DFLASH"], 0);
        }
    }
}

// Needs no emulator: the libftdi back end on a machine without a POD.
TEST(CliProgramNoPod, AllPodsWithNoPodAttachedPrintsAnEmptyList)
{
    const auto run = Cli({"--driver", "ftdi", "program", kDemo, "--all-pods", "--json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "[]\n");
    EXPECT_EQ(run.err, "quobin-cli: no POD is attached\n");
}

TEST(CliProgram, FailedStepExitsOneWithItsMessage)
{
    const auto run = Cli({"--simulate", "--sim-fault", "0x24:1:error", "program", kDemo});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("Failed to erase FLASH"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "quobin-cli: Failed to erase FLASH\nquobin-cli: the POD answered error 3E "
                       "(error injected by the emulator, --sim-fault)\n");
}

TEST(CliProgram, LogAppendsOneTracedLinePerRun)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("quobin-cli-log-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string log = (dir / "runs.log").string();
    EXPECT_EQ(Cli({"--simulate", "program", kDemo, "--log", log}).status, 0);
    EXPECT_EQ(
        Cli({"--simulate", "--sim-fault", "0x24:1:error", "program", kDemo, "--log", log}).status,
        1);
    std::ifstream in(log);
    std::string first;
    std::string second;
    std::string third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_FALSE(std::getline(in, third));
    EXPECT_NE(first.find("  POD QBSIM001  MC56F8367  " + kDemo + "  CRC-32 "), std::string::npos)
        << first;
    EXPECT_NE(
        first.find("  DFLASH 16384, BFLASH 64, P1FLASH 768, P2FLASH 0  ok  Success to download "
                   "and verify FLASH to the MCU ("),
        std::string::npos)
        << first;
    EXPECT_NE(second.find("  FAILED  Failed to erase FLASH: the POD answered error 3E "),
              std::string::npos)
        << second;
    in.close(); // Windows removes no open file
    std::filesystem::remove_all(dir);
}

TEST(CliProgram, FileForAnotherPartIsWarnedOnceOnStderrAndStillProgrammed)
{
    const auto run = Cli({"--simulate", "program", kDemo, "--mcu", "DSP56F805"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string head = "quobin-cli: Warning: ";
    EXPECT_EQ(run.err.rfind(head, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" words of demo.s lie outside every region of DSP56F805 (first at 0x"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find(head, 1), std::string::npos) << run.err;
}

TEST(CliProgram, UsageErrorsExitTwoBeforeAnythingIsSent)
{
    EXPECT_EQ(Cli({"--simulate", "program", kDemo, "--write", "--verify"}).status, 2);
    EXPECT_EQ(Cli({"--simulate", "program", kDemo, "--mcu", "NOPE"}).status, 2);
    EXPECT_EQ(
        Cli({"--simulate", "program", kDemo, "--mcu", "MC56F8013", "--regions", "P2FLASH"}).status,
        2);
    EXPECT_EQ(Cli({"--simulate", "program", kDemo, "--reset-delay", "7"}).status, 2);
    EXPECT_EQ(Cli({"--simulate", "--sim-fault", "0x24:zero:error", "program", kDemo}).status, 2);
    EXPECT_EQ(Cli({"--driver", "ftdi", "--sim-secured", "program", kDemo}).status, 2);
    EXPECT_EQ(Cli({"--driver", "usb3", "version"}).status, 2);
}

TEST(CliProgram, MissingFileIsTheLoadersMessage)
{
    const auto run = Cli({"--simulate", "program", kDemo + ".missing"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: Can't find the specified S file path\n");
}

TEST(CliPodWrite, StoresTheJobAndAVerifyOfAnotherJobFails)
{
    testing_srec::TempFile state("", "unused");
    const std::string dir = state.dir() + "/pod";
    auto run = Cli({"--simulate", "--sim-state", dir, "pod-write", kDemo, "--write"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(LastLine(run.out).rfind("Success to download FLASH to the POD (", 0), 0u);
    run = Cli({"--simulate", "--sim-state", dir, "pod-write", kDemo, "--verify"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    run = Cli({"--simulate", "--sim-state", dir, "pod-write", kDemo, "--verify", "--reset-after"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: Failed to write information to the POD\nquobin-cli: the POD "
                       "answered error 0D (flash or stored job differs from the data)\n");
}

TEST(CliFirmwareUpdate, UpdatedPodAnswersTheCarriedVersionNextTime)
{
    testing_srec::TempFile state("", "unused");
    const std::string dir = state.dir() + "/pod";
    auto run = Cli({"--simulate", "--sim-boot", "--sim-state", dir, "firmware-update"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "Firmware updateing...\nSuccess to firmware update to the POD\n");
    run = Cli({"--simulate", "--sim-state", dir, "version"});
    EXPECT_EQ(run.out, "POD Version V1.2\n");
}

TEST(CliFirmwareUpdate, PodNotInItsBootLoaderFails)
{
    const auto run = Cli({"--simulate", "firmware-update"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("Failed to firmware update"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("quobin-cli: Failed to firmware update to the POD\n"),
              std::string::npos);
    EXPECT_NE(run.err.find("boot loader"), std::string::npos) << run.err;
}

TEST(CliReset, ResetsWithThePartAndSettingsGiven)
{
    testing_srec::TempFile trace("", "unused");
    const std::string path = trace.dir() + "/trace.txt";
    const auto run = Cli({"--simulate", "--trace", path, "reset", "--mcu", "DSP56F805",
                          "--reset-polarity", "high", "--reset-delay", "500"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Success to reset\n");
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("> :2003040101F4"), std::string::npos) << text;
    EXPECT_NE(text.find("open \"Quobin\""), std::string::npos) << text;
}

TEST(CliDevices, ListsTheEmulatedBusWithThePodMarked)
{
    auto run = Cli({"--simulate", "--sim-device", "quobin", "--json", "devices"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("{\"index\":0,\"description\":\"Quobin\""), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"pod\":true"), std::string::npos);
    EXPECT_NE(run.out.find("\"description\":\"quobin\""), std::string::npos) << run.out;
}

} // namespace

namespace {

TEST(CliSimState, AStateThatCannotBeUsedFailsTheCommandAndStaysAsItWas)
{
    support::TempDir dir;
    const std::string state = dir.Path("pod");
    ASSERT_EQ(Cli({"--simulate", "--sim-state", state, "version"}).status, 0);
    const std::string podText = (std::filesystem::path(state) / "pod.txt").string();
    std::ofstream(podText, std::ios::binary) << "version=16.0\n";
    const auto run = Cli({"--simulate", "--sim-state", state, "version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quobin-cli: cannot use the emulator's state: " + podText +
                           ": line 1 ('version=16.0'): the version must be X.Y with each "
                           "part 0..15; move it away to start with a factory POD and a blank "
                           "chip (nothing in the state directory was changed)\n");
    EXPECT_EQ(dir.Read("pod/pod.txt"), "version=16.0\n");
}

TEST(CliSimState, AStateThatCannotBeSavedFailsACommandThatWorked)
{
    support::TempDir dir;
    std::filesystem::create_directories(dir.Path("pod/.pod.txt.new"));
    const auto run = Cli({"--simulate", "--sim-state", dir.Path("pod"), "version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "POD Version V1.1\n");
    EXPECT_EQ(run.err, "quobin-cli: cannot save the emulator's state: cannot write " +
                           (dir.path() / "pod" / ".pod.txt.new").string() + ": " +
                           support::kFolderReadAsFile + "\n");
}

} // namespace
