// The demo's map with its ELF beside it: C types, members by path name, bit fields and
// fractions, on the emulated POD and a virtual clock.
#include "elf/tools/DebugElfWriter.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
    EXPECT_EQ(classic.err, "quobin-cli: warning: /nonexistent.elf: No such file or directory; types "
                           "from the map only\n");
}

std::string DemoElf()
{
    std::ifstream in(QUOBIN_EXAMPLES_DIR "/demo.elf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Patched(std::string bytes, std::size_t at, char value)
{
    bytes[at] = value;
    return bytes;
}

// An ELF that gives no types says why, once, on stderr and in the JSON's "elf" object,
// and the map's symbols are listed untyped; nothing waits on a FIFO.
TEST(CliTypes, AnUnusableElfSaysWhyOnce)
{
    support::TempDir dir;
    const std::string elf = DemoElf();
    ASSERT_GT(elf.size(), 52u);
    struct Case {
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {dir.Write("text.elf", "not an elf"), "not an ELF file"},
        {dir.Write("class64.elf", Patched(elf, 4, 2)), "not a 32-bit little-endian ELF file"},
        {dir.Write("big.elf", Patched(elf, 5, 2)), "not a 32-bit little-endian ELF file"},
        {dir.Write("table.elf", elf.substr(0, 60)), "the section table is missing or cut short"},
        {dir.path().string(), "a folder, not a file"},
        {(dir.path() / "missing.elf").string(), "No such file or directory"},
    };
#ifndef _WIN32
    const std::string fifo = (dir.path() / "fifo.elf").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({fifo, "not a regular file but a FIFO"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto run = RunCli({"symbols", QUOBIN_DEMO_MAP, "--elf", c.path, "--json"});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string line = c.path + ": " + c.reason + "; types from the map only";
        EXPECT_EQ(run.err, "quobin-cli: warning: " + line + "\n");
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["elf"], nlohmann::json({{"path", c.path}, {"used", false}, {"reason", c.reason},
                                                {"warnings", {line}}}));
        EXPECT_EQ(json["symbols"][0]["type"], nullptr);
    }
}

// Names in an ELF are bytes: a Latin-1 byte becomes its character and a control character
// a '?', so the JSON stays valid and a listing keeps one row per line.
TEST(CliTypes, NamesFromTheElfAreLatin1WithoutControlCharacters)
{
    elf::DebugInfo program;
    elf::Type u16;
    u16.kind = elf::TypeKind::Base, u16.name = "unsigned short", u16.byteSize = 2;
    u16.encoding = elf::BaseEncoding::Unsigned;
    elf::Type motor;
    motor.kind = elf::TypeKind::Struct, motor.name = "caf\xE9", motor.byteSize = 2;
    motor.members = {{"x\ny", 0, 0}};
    program.types = {u16, motor};
    program.variables = {{"counter16", 0x80 * 2, 1}};
    support::TempDir dir;
    const auto bytes = elf::WriteDebugElf(program);
    const std::string elfPath = dir.Write("names.elf", std::string(bytes.begin(), bytes.end()));

    const auto json = RunCli({"symbols", QUOBIN_DEMO_MAP, "--elf", elfPath, "--members", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    std::map<std::string, std::string> types;
    const auto listing = nlohmann::json::parse(json.out);
    for (const auto& row : listing["symbols"])
        if (row["type"].is_string()) types[row["name"].get<std::string>()] = row["type"].get<std::string>();
    EXPECT_EQ(types["counter16"], "struct caf\xC3\xA9");
    EXPECT_EQ(types["counter16.x?y"], "unsigned short");

    const auto text = RunCli({"symbols", QUOBIN_DEMO_MAP, "--elf", elfPath, "--members"});
    EXPECT_NE(text.out.find("\ncounter16.x?y "), std::string::npos) << text.out;
}

TEST(CliTypes, ReadShowsTypedValuesAndWriteTakesWhatTheTypeCan)
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
        {{"write", "sineAmplitude", "12.5"}, 0, "sineAmplitude = 12.5"},
        {{"write", "motor.gain", "1"}, 2, "'1' is not a fraction"},
        // A bit field is written within its word; an enum takes its enumerators.
        {{"write", "motor.RUN", "0"}, 0, "motor.RUN = 0"},
        {{"write", "motor.MODE", "9"}, 2, "cannot write to motor.MODE (bits 2..0 of 0x000143): 9 is outside 0 to 7"},
        {{"write", "mode", "MODE_STOP"}, 0, "mode = 0 (MODE_STOP)"},
        {{"write", "mode", "2"}, 2, "'2' is none of MODE_STOP (0), MODE_RUN (1)"},
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
