// The demo's map with its ELF beside it: C types, members by path name, bit fields and
// fractions, on the emulated POD and a virtual clock.
#include "tests/support/CliRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace {

using support::RunCli;

const std::string kTypedMap = QUOBIN_DEMO_TYPED_MAP;

std::vector<std::string> Args(std::vector<std::string> args)
{
    args.insert(args.begin(), "--simulate");
    args.insert(args.end(), {"--map", kTypedMap});
    return args;
}

TEST(CliTypes, SymbolsListMembersRightAfterTheirParentWithPathBitsAndLane)
{
    const auto run = RunCli({"symbols", kTypedMap, "--members", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto symbols = nlohmann::json::parse(run.out)["symbols"];
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < symbols.size(); ++i) at[symbols[i]["name"]] = i;
    ASSERT_TRUE(at.count("motor") && at.count("motor.speed") && at.count("motor.RUN"));
    EXPECT_EQ(at["motor.speed"], at["motor"] + 1);
    EXPECT_EQ(symbols[at["motor"]]["type"], "struct tagMOTOR");
    EXPECT_EQ(symbols[at["motor.RUN"]]["bits"], nlohmann::json({{"lsb", 15}, {"width", 1}}));
    EXPECT_EQ(symbols[at["heartbeat"]]["lane"], 1);
    EXPECT_EQ(symbols[at["heartbeat"]]["address"], 0x14D) << "the ELF's word, not the map's rounded one";
    EXPECT_EQ(symbols[at["sineWave"]]["view"], "FLOAT");
    EXPECT_EQ(symbols[at["samples[7]"]]["address"], 0x14B);

    const auto classic = RunCli({"symbols", QUOBIN_DEMO_MAP, "--elf", "/nonexistent.elf"});
    EXPECT_EQ(classic.status, 0);
    EXPECT_NE(classic.err.find("cannot open /nonexistent.elf"), std::string::npos) << classic.err;
}

TEST(CliTypes, ReadShowsTypedValuesAndWriteRefusesWhatTheTypeCannotTake)
{
    auto run = RunCli(Args({"read", "motor.gain", "mode", "motor.RUN", "samples[0]", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json[0]["type"], "Frac16");
    EXPECT_EQ(json[0]["text"], "0.500000");
    EXPECT_EQ(json[1]["text"], "1 (MODE_RUN)");
    EXPECT_EQ(json[2]["text"], "1");
    EXPECT_EQ(json[3]["view"], "INT16");

    const struct {
        std::vector<std::string> args;
        int status;
        std::string shown; // in out, or in err when refused
    } cases[] = {
        {{"write", "motor.gain", "-0.25"}, 0, "motor.gain = -0.250000"},
        {{"write", "sineAmplitude", "12.5"}, 0, "sineAmplitude = 12.500000"},
        {{"write", "motor.gain", "1"}, 2, "'1' is not a fraction"},
        {{"write", "motor.RUN", "0"}, 2, "change the word that holds it (0x000143 in motor)"},
        {{"read", "motor.torque"}, 2, "'motor' has no member 'torque'"},
        {{"read", "samples[8]"}, 2, "'samples' has 8 elements"},
        {{"read", "triangle:FRAC16"}, 0, "triangle:FRAC16 = 0.000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        run = RunCli(Args(c.args));
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((c.status ? run.err : run.out).find(c.shown), std::string::npos) << run.out << run.err;
    }
}

// Members are watched under their own rows (not their symbol's), with their own values.
TEST(CliTypes, WatchShowsMembersBitFieldsAndEnumsByPathName)
{
    const auto run = RunCli(Args({"watch", "motor.MODE", "motor.gain", "mode", "--count", "1", "--csv", "-"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("time_ms,motor.MODE,motor.gain,mode\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(",1,0.5,1\n"), std::string::npos) << run.out;
    const auto table = RunCli(Args({"watch", "mode", "motor.RUN", "--count", "1"}));
    EXPECT_NE(table.out.find("mode = 1 (MODE_RUN)  motor.RUN = 1"), std::string::npos) << table.out;
}

} // namespace
