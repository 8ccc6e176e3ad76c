#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "SRecordText.h"
#include "cli/CliApp.h"
#include "cli/McusCommand.h"
#include "image/McuCatalog.h"
#include "image/ResourceStore.h"

namespace {

using testing_srec::S3;
using testing_srec::TempFile;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(std::vector<std::string> args)
{
    args.insert(args.begin(), "quobin-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
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

TEST(Cli, McusListsTheWholeCatalogue)
{
    const CliRun text = Cli({"mcus"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(Occurrences(text.out, "\n"), 29u); // heading + 28 parts
    EXPECT_NE(text.out.find("MC56F8367"), std::string::npos);

    const CliRun json = Cli({"mcus", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, cli::McusJson() + "\n");
    EXPECT_EQ(Occurrences(json.out, "\"index\":"), 28u);
    EXPECT_EQ(
        json.out.find(
            R"j([{"index":0,"name":"DSP56F801","ram1":[31744,32767],"ram2":[0,1023],"regions":[)j"
            R"j({"name":"DFLASH","present":true,"first":4096,"last":6143,"page_words":256},)j"
            R"j({"name":"BFLASH","present":true,"first":32768,"last":34815,"page_words":256},)j"
            R"j({"name":"P1FLASH","present":true,"first":4,"last":8191,"page_words":256},)j"
            R"j({"name":"P2FLASH","present":false,"first":0,"last":0,"page_words":0}],)j"
            R"j("loader_length":317,"data_space_offset":2097152},)j"),
        0u);
    EXPECT_NE(json.out.find(R"j("index":27,"name":"MC56F8367")j"), std::string::npos);
    EXPECT_NE(json.out.find(R"j("loader_length":591,"data_space_offset":33554432}])j"),
              std::string::npos);
    // --json is also accepted as a shared option, before the subcommand.
    EXPECT_EQ(Cli({"--json", "mcus"}).out, json.out);
}

TEST(Cli, InspectShowsLabelsLengthsAndOutsideWords)
{
    TempFile file(S3(0x2004000, {1, 2}) + "\n" + S3(0x2007FFF, {3}) + "\n" + S3(0x10, {4}) + "\n" +
                  S3(0x50000, {5, 6}) + "\n");
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
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(
        j.out,
        R"j({"ok":true,"message":"Success to load S File","error":false,"mcu":"MC56F8367","regions":[)j"
        R"j({"name":"DFLASH","present":true,"selected":true,"words":3,"length":16384,"first":16384,"last":32767,"label":"DFLASH (3 Word, 0.0%)"},)j"
        R"j({"name":"BFLASH","present":true,"selected":false,"words":0,"length":0,"first":262144,"last":278527,"label":"BFLASH (0 Word, 0%)"},)j"
        R"j({"name":"P1FLASH","present":true,"selected":true,"words":1,"length":17,"first":0,"last":131071,"label":"P1FLASH (1 Word, 0.0%)"},)j"
        R"j({"name":"P2FLASH","present":true,"selected":false,"words":0,"length":0,"first":131072,"last":262143,"label":"P2FLASH (0 Word, 0%)"}],)j"
        R"j("outside_words":2,"outside_ranges":[[327680,327681]]})j"
        "\n");
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
        {{"inspect", file.path(), "--regions", ""},
         "Please, select one more flash memory sectors",
         ""},
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

    ::setenv("QUOBIN_RESOURCES", (res / "missing").string().c_str(), 1);
    const CliRun env = Cli({"mcus"});
    ::unsetenv("QUOBIN_RESOURCES");
    EXPECT_NE(env.err.find("resource directory " + (res / "missing").string() + " not found"),
              std::string::npos);
    image::SetResourceDirectory("");
}

} // namespace
