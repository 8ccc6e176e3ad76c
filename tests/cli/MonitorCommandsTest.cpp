// symbols, read, write and watch, run in process on the emulated POD and a virtual clock.
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

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
    EXPECT_EQ(run.out, "sineAmplitude:float = 2.5\n");

    run = RunCli(Args({"--sim-state", state, "read", "sineAmplitude:FLOAT", "0x86", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json[0], nlohmann::json({{"item", "sineAmplitude:FLOAT"},
                                       {"address", 0x86},
                                       {"view", "FLOAT"},
                                       {"type", nullptr},
                                       {"text", "2.5"},
                                       {"value", 2.5}}));
    EXPECT_EQ(json[1]["text"], "0x0000") << "2.5f is 0x40200000: low word first";
    EXPECT_EQ(json[1]["value"], 0);
}

TEST(CliMonitor, WritesAsChangeValueConvertsForTheRowKind)
{
    struct Case {
        std::string item, value, shown;
    } cases[] = {
        {"triangleStep:UINT16", "65535", "triangleStep:UINT16 = 65535"},
        {"0x8A:INT16", "-2", "0x8A:INT16 = -2"},
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
        {{"symbols", ""}, 2, "quobin-cli: symbols: MAP is empty\n"},
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
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {Args({"--sim-fault", "0x52:1:silent", "write", "counter16", "5"}),
         "quobin-cli: writing counter16 failed: the POD did not answer within 1500 ms\n"},
        {Args({"--sim-fault", "0x51:2:error", "read", "counter16", "runFlag"}),
         "quobin-cli: reading runFlag failed: the POD answered error 3E (error injected by the "
         "emulator, --sim-fault)\n"},
        {Args({"--sim-no-target", "read", "counter16"}),
         "quobin-cli: reading counter16 failed: the POD answered error 07 (no target on the "
         "cable)\n"},
        {Args({"--sim-fault", "0x52:2:cut:3", "write", "message", "abcdef"}),
         "quobin-cli: writing message failed: the POD's reply was cut short or malformed; 1 of 4 "
         "words were written\n"},
        {Args({"--sim-no-target", "watch", "counter16", "--count", "3"}),
         "quobin-cli: the watch ended after 0 cycles: the POD answered error 07 (no target on the "
         "cable)\n"},
        // The demo program counts on while the value travels back on the real wire.
        {Args({"--sim-wire", "real", "write", "counter32:UINT32", "7"}),
         "quobin-cli: counter32:UINT32 reads back 10 after 7 was written\n"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_EQ(run.out, "") << "a failed command prints no value";
        EXPECT_EQ(run.err, c.err);
    }
}

// A reply that comes after its command timed out must never be taken for the next
// command's: every value printed is the one in the target.
// Every reply the trace shows as taken belongs to the command sent last: its first pair is
// that command's opcode, or the session dropped it as another command's.
void ExpectEveryReplyItsOwn(const std::string& trace, const std::string& fault)
{
    const std::vector<std::string> lines = Lines(trace);
    std::string sent;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const std::size_t at = lines[i].find(" > :"); at != std::string::npos)
            sent = lines[i].substr(at + 4, 2);
        const std::size_t at = lines[i].find(" < :");
        if (at == std::string::npos) continue;
        const bool dropped = i + 1 < lines.size() && lines[i + 1].find("# foreign reply") != std::string::npos;
        if (!dropped) {
            EXPECT_EQ(lines[i].substr(at + 4, 2), sent) << fault << ": " << lines[i];
        }
    }
}

// A reply that comes after its command's time-out (slow:1600 and slow:2000 against 1500
// ms, and against the reads' 100 ms) is never taken for a later command's: a failed
// exchange is followed by a wait for a quiet line, and a reply naming another opcode is
// dropped. A baud-rate command answered late costs a write nothing; a late write or read
// fails its own command and nothing after it.
TEST(CliMonitor, LateRepliesNeverPassForLaterOnes)
{
    const std::vector<std::string> items = {"sinePeriodMs:UINT16", "triangleStep:INT16",
                                            "sineAmplitude:FLOAT", "runFlag:BYTE_LOW"};
    const auto truth = RunCli(Args({"read", items[0], items[1], items[2], items[3]}));
    ASSERT_EQ(truth.status, 0) << truth.err;
    for (const char* opcode : {"0x50", "0x51", "0x52"}) {
        for (const char* late : {"1600", "2000"}) {
            const std::string fault = std::string(opcode) + ":1:slow:" + late;
            support::TempDir dir;
            const auto traced = [&](const char* name, std::vector<std::string> args) {
                args.insert(args.begin(), {"--sim-fault", fault, "--trace", dir.Path(name)});
                return RunCli(Args(args));
            };
            auto run = traced("read", {"read", items[0], items[1], items[2], items[3]});
            if (run.status == 0) {
                EXPECT_EQ(run.out, truth.out) << fault;
            }
            ExpectEveryReplyItsOwn(dir.Read("read"), fault);
            run = traced("write", {"write", "triangleStep:INT16", "10"});
            EXPECT_EQ(run.status == 0, std::string(opcode) == "0x50") << fault << run.err;
            if (run.status == 0) {
                EXPECT_EQ(run.out, "triangleStep:INT16 = 10\n") << fault;
            }
            ExpectEveryReplyItsOwn(dir.Read("write"), fault);
            run = traced("text", {"write", "message", "HELLO"});
            EXPECT_EQ(run.status == 0, std::string(opcode) == "0x50") << fault << run.err;
            if (run.status == 0) {
                EXPECT_EQ(run.out, "message = HELLO\n") << fault;
            }
            ExpectEveryReplyItsOwn(dir.Read("text"), fault);
            run = traced("watch", {"watch", items[0], items[2], "--count", "3"});
            for (const std::string& line : Lines(run.out))
                EXPECT_NE(line.find("sinePeriodMs:UINT16 = 2000  sineAmplitude:FLOAT = 100"),
                          std::string::npos)
                    << fault << ": " << line;
            ExpectEveryReplyItsOwn(dir.Read("watch"), fault);
        }
    }
}

// "-inf" looks like an option to the parser: the user is told how to give it, and after
// -- it is written as the value it is.
TEST(CliMonitor, AValueStartingWithADashGoesAfterTwoDashes)
{
    auto run = RunCli(Args({"write", "sineAmplitude:FLOAT", "-inf"}));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quobin-cli: '-inf' is read as an option; a value that starts with '-' "
                       "goes after --, as in: quobin-cli write ITEM -- -inf\n");
    run = RunCli({"--simulate", "write", "sineAmplitude:FLOAT", "--map", kMap, "--", "-inf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "sineAmplitude:FLOAT = -inf\n");
}

TEST(CliMonitor, RefusedValuesSendNothing)
{
    for (const char* value : {"", "abc", "1e3", "-", "70000"}) {
        support::TempDir dir;
        const auto run =
            RunCli(Args({"--trace", dir.Path("t"), "write", "sinePeriodMs:UINT16", value}));
        EXPECT_EQ(run.status, 2) << value;
        EXPECT_NE(run.err.find("cannot write to sinePeriodMs:UINT16 as UINT16: "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(dir.Read("t").find("write-memory"), std::string::npos) << value;
    }
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
    EXPECT_EQ(run.err, "quobin-cli: the watch ended after 2 cycles: the connection to the POD "
                       "was lost; the POD could not be reopened\n");
}

TEST(CliWatch, CountReadsExactlyThatManyCyclesAndTheTraceEndsWithTheResult)
{
    support::TempDir dir;
    const auto run = RunCli(Args({"--trace", dir.Path("t"), "watch", "counter16", "triangle",
                                  "--interval", "100", "--count", "7"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 7u);
    const std::string trace = dir.Read("t");
    std::size_t reads = 0;
    for (std::size_t at = trace.find("# read-memory"); at != std::string::npos;
         at = trace.find("# read-memory", at + 1))
        ++reads;
    EXPECT_EQ(reads, 14u) << "no cycle beyond the last one wanted";
    // The last note, before the connection closes.
    EXPECT_NE(trace.rfind("# result: ok, 7 cycles\n"), std::string::npos);
    // The rate reached, after the last cycle: the virtual clock makes it exact.
    EXPECT_EQ(run.err, "quobin-cli: 7 cycles at 9.9/s, jitter 0.0 ms, the longest interval 101 ms\n");
    EXPECT_GT(trace.rfind("# result: ok, 7 cycles\n"), trace.rfind("# reply OK")) << trace;
}

TEST(CliWatch, DurationEndsTheWatchWithTheCyclesThatStartedWithinIt)
{
    // Cycles start 101 ms apart on the virtual clock: at 101, 202 and 303 ms.
    const auto run = RunCli(Args({"watch", "counter16", "--interval", "100", "--duration", "0.35"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines.back().rfind("303 ms:", 0), 0u) << run.out;
}

TEST(CliWatch, BadLimitsAndAFullDiskAreReported)
{
    for (const char* duration : {"nan", "-1", "0", "1e300"}) {
        const auto run = RunCli(Args({"watch", "counter16", "--duration", duration}));
        EXPECT_EQ(run.status, 2) << duration << ": " << run.err;
    }
    for (const char* count : {"-1", "0", "1e30"}) {
        const auto run = RunCli(Args({"watch", "counter16", "--count", count}));
        EXPECT_EQ(run.status, 2) << count << ": " << run.err;
    }
    struct CsvCase {
        std::string path, err;
    } csvCases[] = {
        {"/dev/full", "quobin-cli: cannot write /dev/full: No space left on device\n"},
        {"/nonexistent/run.csv",
         "quobin-cli: cannot write /nonexistent/run.csv: No such file or directory\n"},
        {"/", std::string("quobin-cli: cannot write /: ") + support::kFolderReadAsFile + "\n"},
    };
    for (const CsvCase& c : csvCases) {
        const auto run = RunCli(Args({"watch", "counter16", "--count", "3", "--csv", c.path}));
        EXPECT_EQ(run.status, 1) << c.path;
        EXPECT_EQ(run.err, c.err);
    }
}

} // namespace
