// Several emulated PODs on one bus: choosing one by its serial number, and programming
// them all at once with one worker and one connection each.
#include "sim/EmulatedPod.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using support::CliRun;
constexpr auto Cli = &support::RunCli;

const std::string kDemo = QUOBIN_DEMO_SFILE;

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Flash of every region of the chip a state directory holds.
std::vector<std::vector<std::uint16_t>> Chip(const std::string& stateDir)
{
    sim::SimOptions options;
    options.stateDir = stateDir;
    sim::EmulatedPod pod(options, 0);
    std::vector<std::vector<std::uint16_t>> regions;
    for (int r = 0; r < 4; ++r)
        regions.push_back(pod.FlashOf(r));
    return regions;
}

std::size_t CountStarting(const std::vector<std::string>& lines, const std::string& start)
{
    std::size_t n = 0;
    for (const std::string& line : lines)
        if (line.find(start) != std::string::npos) ++n;
    return n;
}

struct ChoiceCase {
    std::vector<std::string> args;
    int status;
    std::string err;
};

TEST(CliPodChoice, SerialPicksThePodOrNamesThoseFound)
{
    const std::vector<ChoiceCase> cases = {
        {{"--sim-pods", "2", "version"},
         0,
         "quobin-cli: 2 PODs attached (QBSIM001, QBSIM002); using QBSIM001 (choose one with "
         "--serial)\n"},
        {{"--sim-pods", "2", "--serial", "QBSIM005", "version"},
         1,
         "quobin-cli: no POD with serial number QBSIM005 is attached (PODs found: QBSIM001, "
         "QBSIM002)\n"},
        // The first POD would fail this command: it is the second that answered, and the
        // first's fault is said to have never fired.
        {{"--sim-pods", "2", "--sim-fault", "QBSIM001/0x01:1:garbage", "--serial", "QBSIM002",
          "version"},
         0,
         "quobin-cli: fault QBSIM001/0x01:1:garbage never fired\n"},
    };
    for (const ChoiceCase& c : cases) {
        std::vector<std::string> args = {"--simulate"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << run.err;
        EXPECT_EQ(run.err, c.err);
    }
    support::SetEnv("QUOBIN_SERIAL", "QBSIM002");
    const CliRun run = Cli({"--simulate", "--sim-pods", "2", "--sim-fault",
                            "QBSIM001/0x01:1:garbage", "version"});
    support::UnsetEnv("QUOBIN_SERIAL");
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(CliGang, FourPodsOneUnpluggedMidwayTheOthersProgramTheirChipsWordForWord)
{
    support::TempDir dir;
    const std::string reference = dir.Path("reference");
    const CliRun one = Cli({"--simulate", "--sim-state", reference, "--trace",
                            dir.Path("one.trace"), "program", kDemo});
    ASSERT_EQ(one.status, 0) << one.err;

    const std::string line = dir.Path("line");
    const std::string log = dir.Path("run.log");
    const CliRun run = Cli({"--simulate", "--sim-pods", "4", "--sim-state", line, "--sim-fault",
                            "QBSIM002/0x26:3:unplug", "--trace", dir.Path("gang.trace"), "program",
                            kDemo, "--all-pods", "--log", log});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: 1 of 4 PODs failed: QBSIM002\n");

    std::istringstream table(run.out);
    std::vector<std::string> rows;
    for (std::string row; std::getline(table, row);)
        rows.push_back(row);
    ASSERT_EQ(rows.size(), 5u) << run.out;
    EXPECT_EQ(rows[0].rfind("SERIAL    PART       RESULT", 0), 0u) << rows[0];
    const std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 4u);

    const auto expected = Chip(reference);
    const std::size_t framesOfOne = CountStarting(Lines(dir.Path("one.trace")), " > ");
    for (int i = 1; i <= 4; ++i) {
        const std::string serial = "QBSIM00" + std::to_string(i);
        const bool good = i != 2;
        SCOPED_TRACE(serial);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].rfind(serial + "  MC56F8367  " +
                                                              (good ? "Success to download and verify FLASH to the MCU ("
                                                                    : "Failed to download DFLASH to the MCU: the connection to the POD was lost"),
                                                          0),
                  0u)
            << rows[static_cast<std::size_t>(i)];
        // One whole line per POD, whichever ended first.
        EXPECT_EQ(CountStarting(lines, "  POD " + serial + "  MC56F8367  "), 1u);
        EXPECT_EQ(CountStarting(lines, "  POD " + serial + "  MC56F8367  " + kDemo), 1u);
        const bool chipAsReference = Chip(line + "/" + serial) == expected;
        EXPECT_EQ(chipAsReference, good);
        // Its own trace holds its own exchange only: one open, of its own serial, and no
        // more frames than one POD sends alone.
        const std::vector<std::string> trace = Lines(dir.Path("gang-" + serial + ".trace"));
        EXPECT_EQ(CountStarting(trace, " open "), 1u);
        EXPECT_EQ(CountStarting(trace, " open serial \"" + serial + "\""), 1u);
        if (good) {
            EXPECT_EQ(CountStarting(trace, " > "), framesOfOne);
        }
    }
    EXPECT_EQ(CountStarting(lines, "  ok  Success"), 3u);
    EXPECT_EQ(CountStarting(lines, "  FAILED  Failed to download DFLASH"), 1u);
}

TEST(CliGang, JsonHasOneObjectPerPodAndAMissingPodFailsAlone)
{
    const CliRun run = Cli({"--simulate", "--sim-pods", "3", "program", kDemo, "--json",
                            "--serial", "QBSIM003", "--serial", "QBSIM009", "--serial",
                            "QBSIM001"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quobin-cli: PODs found: QBSIM001, QBSIM002, QBSIM003\n"
                       "quobin-cli: 1 of 3 PODs failed: QBSIM009\n");
    const auto array = nlohmann::json::parse(run.out);
    ASSERT_EQ(array.size(), 3u);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"QBSIM003", true}, {"QBSIM009", false}, {"QBSIM001", true}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(array[i]["serial"], expected[i].first);
        EXPECT_EQ(array[i]["ok"], expected[i].second);
        EXPECT_EQ(array[i]["words_sent"]["P1FLASH"], expected[i].second ? 768 : 0);
    }
    EXPECT_EQ(array[1]["message"], "no POD with serial number QBSIM009 is attached");
}

} // namespace
