// record, run in process on the emulated POD, whose demo program carries the recorder.
#include "tests/support/CliRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using support::RunCli;

std::vector<std::string> Record(std::vector<std::string> args, const std::string& map = QUOBIN_DEMO_TYPED_MAP)
{
    args.insert(args.begin(), {"--simulate", "record"});
    args.insert(args.end(), {"--map", map});
    return args;
}

// What cannot be captured is refused with the reason before the POD is opened.
TEST(CliRecord, RefusesWhatCannotBeCapturedWithTheReason)
{
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {Record({"triangle", "--trigger", "triangle:500"}), 2,
         "quobin-cli: --trigger takes ITEM:EDGE:LEVEL, for example triangle:rising:500\n"},
        {Record({"triangle", "--trigger", "triangle:up:500"}), 2,
         "quobin-cli: --trigger: the edge is rising, falling or either, not 'up'\n"},
        {Record({"triangle", "--trigger", "triangle:rising:5x"}), 2,
         "quobin-cli: --trigger: the level '5x' is not a number\n"},
        {Record({"message"}), 2, "quobin-cli: message is a text; a recorder channel is one or two words\n"},
        {Record({"triangle", "--samples", "10", "--pretrigger", "10"}), 2,
         "quobin-cli: --pretrigger 10 leaves no sample of the 10 for the trigger and after it\n"},
        {Record({"triangle", "--trigger", "sineWave:falling:-1"}), 2,
         "quobin-cli: a FLOAT trigger level must be 0 or above: the recorder compares a float's bits as an "
         "integer, which orders negative floats backwards\n"},
        {Record({"counter16"}, QUOBIN_DEMO_MAP), 1,
         "quobin-cli: no recorder in the map: no symbol 'quobinRecorder' (add target/quobin_recorder.c to the "
         "firmware and define one)\n"},
    };
    for (const auto& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

// The CSV holds every sample at its exact time from the trigger: the loop counter steps
// by the divider, and the trigger's sample is the first at the level.
TEST(CliRecord, WritesEverySampleAtItsTimeFromTheTrigger)
{
    const auto run = RunCli(Record({"loopCount", "triangle", "--trigger", "triangle:rising:500", "--pretrigger",
                                    "10", "--samples", "30", "--divider", "2", "--csv", "-"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "quobin-cli: armed; waiting for the trigger (Ctrl+C stops)\n"
                       "quobin-cli: triggered; taking the samples after it\n"
                       "quobin-cli: uploading 90 words\n");
    std::istringstream csv(run.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "sample,time_s,loopCount,triangle");
    EXPECT_EQ(lines[1].substr(0, 9), "0,-0.002,");
    EXPECT_EQ(lines[10].substr(0, 9), "9,-2e-04,");
    EXPECT_EQ(lines[11].substr(0, 4), "10,0");
    EXPECT_EQ(lines[11].substr(lines[11].rfind(',')), ",500");
    long previous = -1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const auto first = line.find(',', line.find(',') + 1) + 1;
        const long loop = std::stol(line.substr(first, line.rfind(',') - first));
        if (previous >= 0) {
            EXPECT_EQ(loop - previous, 2) << line;
        }
        previous = loop;
    }
}

// A trigger item that is not listed is recorded too; JSON gives whole numbers as such.
TEST(CliRecord, JsonCarriesTheTriggerItemAndWholeNumbers)
{
    const auto run = RunCli(Record({"--json", "loopCount", "--trigger", "triangle:falling:0", "--samples", "4"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["samples"], 4);
    EXPECT_EQ(json["period_ns"], 100000);
    ASSERT_EQ(json["items"].size(), 2u);
    EXPECT_EQ(json["items"][1]["item"], "triangle");
    EXPECT_TRUE(json["items"][0]["values"][0].is_number_integer());
    EXPECT_GE(json["items"][1]["values"][0], -10);
    EXPECT_LT(json["items"][1]["values"][0], 0);
}

} // namespace
