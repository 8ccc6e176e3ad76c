// symbols, read, write and watch, run in process on the emulated POD and a virtual clock.
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using support::RunCli;

const std::string kMap = QUOBIN_DEMO_MAP;

std::vector<std::string> Args(std::vector<std::string> args)
{
    args.insert(args.begin(), "--simulate");
    args.insert(args.end(), {"--map", kMap});
    return args;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(CliSymbols, ListsTheMapsDataSymbolsInNameOrderAndAsJsonInFileOrder)
{
    auto run = RunCli({"symbols", kMap});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 11u) << run.out;
    EXPECT_EQ(lines[1].substr(0, 54), "counter16                        0x000080          1  ");
    EXPECT_EQ(lines[3].rfind("message", 0), 0u) << "case-insensitive order puts message third";
    EXPECT_EQ(lines.back(), "9 symbols, 0 left out");

    run = RunCli({"symbols", kMap, "--json", "--mcu", "mc56f8367"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["mcu"], "MC56F8367");
    EXPECT_EQ(json["count"], 9);
    EXPECT_EQ(json["dropped"], 0);
    ASSERT_EQ(json["symbols"].size(), 9u);
    // The demo map's lines "00000082 00000002 .bss Fcounter32" and "00000090 00000010 .data
    // Fmessage": addresses in words, sizes in words, types from the size.
    EXPECT_EQ(
        json["symbols"][1],
        nlohmann::json({{"name", "counter32"}, {"address", 0x82}, {"size", 2}, {"view", "HEX32"},
                        {"type", nullptr}, {"lane", 0}}));
    EXPECT_EQ(
        json["symbols"][8],
        nlohmann::json({{"name", "message"}, {"address", 0x90}, {"size", 16}, {"view", "ASCII"},
                        {"type", nullptr}, {"lane", 0}}));
}

TEST(CliMonitor, WriteReadsBackAndTheValueOutlivesTheRunInTheKeptState)
{
    support::TempDir dir;
    const std::string state = dir.Path("pod");
    auto run = RunCli(Args({"--sim-state", state, "write", "sineAmplitude:float", "2.5"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "sineAmplitude:float = 2.500000\n");

    run = RunCli(Args({"--sim-state", state, "read", "sineAmplitude:FLOAT", "0x86", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json[0], nlohmann::json({{"item", "sineAmplitude:FLOAT"},
                                       {"address", 0x86},
                                       {"view", "FLOAT"},
                                       {"type", nullptr},
                                       {"text", "2.500000"},
                                       {"value", 2.5}}));
    EXPECT_EQ(json[1]["text"], "0x0000") << "2.5f is 0x40200000: low word first";
    EXPECT_EQ(json[1]["value"], 0);
}

TEST(CliMonitor, WritesAsChangeValueConvertsForTheRowKind)
{
    // A UINT16 symbol takes the text as unsigned (3000000000 mod 65536); an address row
    // takes it as signed and saturates at 2147483647 first.
    struct Case {
        std::string item, value, shown;
    } cases[] = {
        {"triangleStep:UINT16", "3000000000", "triangleStep:UINT16 = 24064"},
        {"0x8A:UINT16", "3000000000", "0x8A:UINT16 = 65535"},
        // A symbol's ASCII text keeps room for its zero; Latin-1 letters come back whole.
        {"message", "Grüße aus Köln, 2026", "message = Grüße aus Köln,"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(Args({"write", c.item, c.value}));
        EXPECT_EQ(run.status, 0) << c.item << ": " << run.err;
        EXPECT_EQ(run.out, c.shown + "\n");
    }
}

TEST(CliMonitor, BadItemsAreRefusedBeforeAnythingIsSent)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {Args({"read", "cntr16"}), 2,
         "quobin-cli: no symbol 'cntr16' in " + kMap +
             " for MC56F8367; closest: counter16, counter32, runFlag\n"},
        {Args({"read", "counter16:HEX64"}), 2,
         "quobin-cli: unknown view type 'HEX64' in counter16:HEX64 (BYTE_LOW, BYTE_HIGH, HEX16, "
         "HEX32, INT16, INT32, UINT16, UINT32, FLOAT, ASCII, FRAC16, FRAC32)\n"},
        {Args({"read", "0x4000"}), 2,
         "quobin-cli: 0x4000 at 0x004000 lies outside the RAM of MC56F8367 (0x04F800..0x04FFFF, "
         "0x000000..0x003FFF)\n"},
        {Args({"read", "0x3FFF:HEX32"}), 2,
         "quobin-cli: 0x3FFF:HEX32 at 0x003FFF lies outside the RAM of MC56F8367 "
         "(0x04F800..0x04FFFF, 0x000000..0x003FFF)\n"},
        {Args({"read", "0x90:ASCII"}), 2,
         "quobin-cli: an address has no size to read a text from; name the symbol with --map "
         "instead of 0x90\n"},
        {{"--simulate", "read", "counter16"},
         2,
         "quobin-cli: 'counter16' names a symbol: give the map with --map\n"},
        {Args({"write", "message", "日本"}), 2,
         "quobin-cli: cannot write '日本' to message: the text holds a character that the "
         "target cannot store (only Latin-1 characters, U+0000..U+00FF, fit in its bytes)\n"},
        {Args({"watch", "counter16", "counter16:INT16"}), 2,
         "quobin-cli: counter16:INT16 names a variable that is watched already\n"},
        {{"--simulate", "read", "x", "--map", "/nonexistent/app.xMAP"},
         1,
         "quobin-cli: 파일 정보를 읽어오는데 실패하였습니다. /nonexistent/app.xMAP: No such "
         "file or directory\n"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

TEST(CliMonitor, FailedExchangesExitOneWithWhatFailed)
{
    auto run = RunCli(Args({"--sim-fault", "0x52:1:silent", "write", "counter16", "5"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.err,
        "quobin-cli: writing counter16 failed: the POD did not acknowledge the memory write\n");
    run = RunCli(Args({"--sim-fault", "0x51:2:error", "read", "counter16", "runFlag"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "counter16 = 0x0000\n");
    EXPECT_EQ(run.err,
              "quobin-cli: reading runFlag failed: the POD did not answer the memory read\n");
}

TEST(CliWatch, WritesACsvRowPerCycleAtTheInterval)
{
    support::TempDir dir;
    const std::string csv = dir.Path("run.csv");
    const auto run = RunCli(Args({"watch", "counter16:UINT16", "sineWave:FLOAT", "message",
                                  "--interval", "200", "--count", "4", "--csv", csv}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "the CSV goes to its file";
    const auto lines = Lines(dir.Read("run.csv"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "time_ms,counter16:UINT16,sineWave:FLOAT,message");
    long lastTime = -1000;
    long lastCount = -1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream row(lines[i]);
        std::string time, count, sine, text;
        std::getline(row, time, ',');
        std::getline(row, count, ',');
        std::getline(row, sine, ',');
        std::getline(row, text);
        // A cycle starts once more than the interval has passed since the last one.
        EXPECT_GT(std::stol(time) - lastTime, 200) << lines[i];
        EXPECT_GT(std::stol(count), lastCount) << "the demo counts every 10 ms";
        EXPECT_LE(std::abs(std::stod(sine)), 100.0) << "the sine's amplitude is 100";
        EXPECT_EQ(text, "demo running");
        lastTime = std::stol(time);
        lastCount = std::stol(count);
    }
}

TEST(CliWatch, APodLostForGoodEndsTheWatchWithExitOne)
{
    // The third read unplugs the POD: the silent reopen fails, so the watch ends.
    const auto run =
        RunCli(Args({"--sim-fault", "0x51:3:unplug", "watch", "counter16", "--count", "5"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
    EXPECT_EQ(run.err, "quobin-cli: the POD stopped answering and could not be reopened; the "
                       "watch ended after 2 cycles\n");
}

} // namespace
