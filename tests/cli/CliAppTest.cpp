#include <gtest/gtest.h>

#include "quobin/Version.h"
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/image/SRecordText.h"
#include "image/McuCatalog.h"
#include "image/ResourceStore.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TestSystem.h"

namespace {

using testing_srec::S3;
using testing_srec::TempFile;

using support::CliRun;
using Json = nlohmann::json;
constexpr auto Cli = &support::RunCli;

const char* const kRegionNames[4] = {"DFLASH", "BFLASH", "P1FLASH", "P2FLASH"};

Json Region(int index, int first, int last, int pageWords)
{
    return {{"name", kRegionNames[index]},
            {"present", pageWords != 0},
            {"first", first},
            {"last", last},
            {"page_words", pageWords}};
}

std::size_t Occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Cli, WithoutASubcommandPrintsHelpAndFailsAsUsage)
{
    const CliRun r = Cli({});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Subcommands:"), std::string::npos);
    EXPECT_NE(r.out.find("inspect"), std::string::npos);
    EXPECT_EQ(Cli({"--simulate"}).status, 2);
    EXPECT_EQ(Cli({"frobnicate"}).status, 2);
    EXPECT_EQ(Cli({"--help"}).status, 0);
    EXPECT_EQ(Cli({"inspect", "--help"}).status, 0);
}

// The version a wrapper script or a bug report names, the one the build carries.
TEST(Cli, VersionPrintsTheBuildsVersionAndSucceeds)
{
    const CliRun r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("quobin-cli ") + quobin::kVersion + "\n");
    EXPECT_EQ(r.err, "");
}

TEST(Cli, McusListsTheWholeCatalogue)
{
    const CliRun text = Cli({"mcus"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(Occurrences(text.out, "\n"), 29u); // heading + 28 parts
    EXPECT_NE(text.out.find("MC56F8367"), std::string::npos);

    const CliRun json = Cli({"mcus", "--json"});
    ASSERT_EQ(json.status, 0);
    const Json parts = Json::parse(json.out);
    ASSERT_EQ(parts.size(), 28u);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i]["index"], i);
        ASSERT_EQ(parts[i]["regions"].size(), 4u);
        for (std::size_t r = 0; r < 4; ++r) {
            const Json& region = parts[i]["regions"][r];
            EXPECT_EQ(region["name"], kRegionNames[r]);
            EXPECT_EQ(region["present"], region["page_words"] != 0) << i << " " << r;
        }
    }
    // Two parts from their data sheets: a 56800 part without P2FLASH and the largest
    // 56800E part.
    EXPECT_EQ(parts[0], (Json{{"index", 0},
                              {"name", "DSP56F801"},
                              {"ram1", {0x7C00, 0x7FFF}},
                              {"ram2", {0x0000, 0x03FF}},
                              {"regions",
                               {Region(0, 0x1000, 0x17FF, 256), Region(1, 0x8000, 0x87FF, 256),
                                Region(2, 0x0004, 0x1FFF, 256), Region(3, 0, 0, 0)}},
                              {"loader_length", 317},
                              {"data_space_offset", 0x200000}}));
    EXPECT_EQ(parts[27],
              (Json{{"index", 27},
                    {"name", "MC56F8367"},
                    {"ram1", {0x4F800, 0x4FFFF}},
                    {"ram2", {0x0000, 0x3FFF}},
                    {"regions",
                     {Region(0, 0x4000, 0x7FFF, 256), Region(1, 0x40000, 0x43FFF, 512),
                      Region(2, 0x00000, 0x1FFFF, 1024), Region(3, 0x20000, 0x3FFFF, 1024)}},
                    {"loader_length", 591},
                    {"data_space_offset", 0x2000000}}));
    // --json is also accepted as a shared option, before the subcommand.
    EXPECT_EQ(Cli({"--json", "mcus"}).out, json.out);
}

TEST(Cli, InspectShowsLabelsLengthsAndOutsideWords)
{
    TempFile file(S3(0x2004000, {1, 2}) + "\n" + S3(0x2007FFF, {3}) + "\n" + S3(0x10, {4}) + "\n" +
                  S3(0x50000, {5, 6}) + "\nS3 S30400000000 S3ZZ " + std::string(1100, 'S') + "\n");
    const CliRun r = Cli({"inspect", file.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(r.out.rfind("Success to load S File\n  DFLASH (3 Word, 0.0%)\n  BFLASH (0 Word, 0%)\n"
                          "  P1FLASH (1 Word, 0.0%)\n  P2FLASH (0 Word, 0%)\n",
                          0),
              0u);
    EXPECT_NE(r.out.find("DFLASH   yes     yes             3    16384  0x04000-0x07FFF"),
              std::string::npos);
    EXPECT_NE(r.out.find("words outside every region of MC56F8367: 2\n  0x50000-0x50001\n"),
              std::string::npos);

    const CliRun j = Cli({"inspect", file.path(), "--json", "--regions", "DFLASH,P1FLASH"});
    ASSERT_EQ(j.status, 0);
    const Json report = Json::parse(j.out);
    EXPECT_EQ(report["ok"], true);
    EXPECT_EQ(report["error"], false);
    EXPECT_EQ(report["message"], "Success to load S File");
    EXPECT_EQ(report["mcu"], "MC56F8367");
    // Words at DFLASH 0x4000, 0x4001 and 0x7FFF reach to the region's end; the P1FLASH
    // word at 0x10 makes 0x11 words to send.
    const Json& regions = report["regions"];
    ASSERT_EQ(regions.size(), 4u);
    const struct {
        bool selected;
        int words, length, first, last;
        const char* label;
    } expected[4] = {
        {true, 3, 0x7FFF - 0x4000 + 1, 0x4000, 0x7FFF, "DFLASH (3 Word, 0.0%)"},
        {false, 0, 0, 0x40000, 0x43FFF, "BFLASH (0 Word, 0%)"},
        {true, 1, 0x10 + 1, 0x00000, 0x1FFFF, "P1FLASH (1 Word, 0.0%)"},
        {false, 0, 0, 0x20000, 0x3FFFF, "P2FLASH (0 Word, 0%)"},
    };
    for (std::size_t r = 0; r < 4; ++r) {
        SCOPED_TRACE(kRegionNames[r]);
        EXPECT_EQ(regions[r], (Json{{"name", kRegionNames[r]},
                                    {"present", true},
                                    {"selected", expected[r].selected},
                                    {"words", expected[r].words},
                                    {"length", expected[r].length},
                                    {"first", expected[r].first},
                                    {"last", expected[r].last},
                                    {"label", expected[r].label}}));
    }
    EXPECT_EQ(report["outside_words"], 2);
    EXPECT_EQ(report["outside_ranges"], (Json{{0x50000, 0x50001}}));
    EXPECT_EQ(
        report["skipped"],
        (Json{{"long_tokens", 1}, {"small_counts", 1}, {"short_records", 1}, {"bad_digits", 1}}));
}

TEST(Cli, InspectFailuresExitOneWithTheMessageOnStderr)
{
    TempFile file(S3(0x10, {4}));
    struct Case {
        std::vector<std::string> args;
        const char* message;
        std::string reason; // the file and the system's reason, on a line of its own
    };
    const Case cases[] = {
        {{"inspect", "/nonexistent/q.s"},
         "Can't find the specified S file path",
         "/nonexistent/q.s: No such file or directory"},
        {{"inspect", file.dir()},
         "Can't find the specified S file path",
         file.dir() + ": Is a directory"},
        {{"inspect", " "}, "Please, specify S file path", ""},
        {{"inspect", file.path(), "--mcu", "MC56F8023"},
         "S file is invalid.", // P1FLASH from 0x4000
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string("quobin-cli: ") + c.message + "\n" +
                             (c.reason.empty() ? "" : "quobin-cli: " + c.reason + "\n"));
        EXPECT_EQ(r.out.rfind(c.message, 0), 0u);
    }
    const CliRun j = Cli({"inspect", "/nonexistent/q.s", "--json"});
    EXPECT_EQ(j.status, 1);
    EXPECT_NE(
        j.out.find(R"j("ok":false,"message":"Can't find the specified S file path","error":true)j"),
        std::string::npos);
    EXPECT_NE(j.out.find(R"j("label":"DFLASH"})j"), std::string::npos);
}

TEST(Cli, InspectUsageErrorsExitTwo)
{
    TempFile file(S3(0x10, {4}));
    EXPECT_EQ(Cli({"inspect"}).status, 2);
    EXPECT_EQ(Cli({"inspect", file.path(), "--mcu", "MC56F9999"}).status, 2);
    EXPECT_EQ(Cli({"inspect", file.path(), "--mcu", "28"}).status, 2);
    EXPECT_EQ(Cli({"inspect", file.path(), "--regions", "P3FLASH"}).status, 2);
    const CliRun absent =
        Cli({"inspect", file.path(), "--mcu", "MC56F8002", "--regions", "DFLASH"});
    EXPECT_EQ(absent.status, 2);
    EXPECT_EQ(absent.err, "quobin-cli: DFLASH is not present on MC56F8002\n");
    EXPECT_EQ(Cli({"inspect", file.path(), "extra"}).status, 2);
}

TEST(Cli, InspectPicksThePartByNameOrIndexAndOnlyItsPresentRegions)
{
    TempFile file(S3(0x0800, {4}));
    for (const char* mcu : {"MC56F8002", "mc56f8002", "7"}) {
        const CliRun r = Cli({"inspect", file.path(), "--mcu", mcu, "--json"});
        EXPECT_EQ(r.status, 0) << mcu;
        EXPECT_NE(r.out.find(R"j("mcu":"MC56F8002")j"), std::string::npos);
        EXPECT_NE(r.out.find(R"j({"name":"DFLASH","present":false,"selected":false)j"),
                  std::string::npos);
        EXPECT_NE(
            r.out.find(
                R"j({"name":"P1FLASH","present":true,"selected":true,"words":1,"length":1,)j"),
            std::string::npos);
    }
}

TEST(Cli, ResourceDirectoryWarnsAboutFilesItIgnores)
{
    TempFile file(S3(0x10, {4}));
    const std::filesystem::path res = std::filesystem::path(file.dir()) / "res";
    std::filesystem::create_directories(res / "loaders");
    TempFile dummy("x");
    std::filesystem::copy_file(dummy.path(), res / "loaders" / "MC56F8367.bin");
    const CliRun r = Cli({"inspect", file.path(), "--resources", res.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning: ignoring " + (res / "loaders" / "MC56F8367.bin").string() +
                         ": 1 bytes, expected 1182"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(image::LoaderFor(27).size(), 591u);

    support::SetEnv("QUOBIN_RESOURCES", (res / "missing").string().c_str());
    const CliRun env = Cli({"mcus"});
    support::UnsetEnv("QUOBIN_RESOURCES");
    EXPECT_NE(env.err.find("resource directory " + (res / "missing").string() + " not found"),
              std::string::npos);
    image::SetResourceDirectory("");
}

} // namespace

namespace {

TEST(CliUsage, EmptyValuesAndUnknownCommandsAreUsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string file = QUOBIN_DEMO_SFILE;
    const Case cases[] = {
        {{"inspect", file, "--mcu", ""}, "quobin-cli: --mcu needs a value\n"},
        {{"inspect", file, "--regions", ""}, "quobin-cli: --regions needs a value\n"},
        {{"--simulate", "program", file, "--mcu", " "}, "quobin-cli: --mcu needs a value\n"},
        {{"--sim-state", "", "--simulate", "version"}, "quobin-cli: --sim-state needs a value\n"},
        {{"frobnicate"},
         "quobin-cli: unknown command 'frobnicate'; `quobin-cli --help` lists the commands\n"},
        {{"--simulate", "programm", file},
         "quobin-cli: unknown command 'programm'; `quobin-cli --help` lists the commands\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    const CliRun delay = Cli({"--simulate", "reset", "--reset-delay", "7"});
    EXPECT_EQ(delay.status, 2);
    EXPECT_NE(delay.err.find("--reset-delay"), std::string::npos) << delay.err;
}

} // namespace
