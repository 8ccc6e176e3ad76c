#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/GlobalOptions.h"

namespace {

struct Parsed {
    cli::GlobalOptions globals;
    std::string file;
    bool subJson = false;
};

// Parses argv with the shared options and one subcommand taking a file and its own --json.
void Parse(const std::vector<std::string>& args, Parsed& p)
{
    CLI::App app("test", "quobin-cli");
    cli::AddGlobalOptions(app, p.globals);
    CLI::App* sub = cli::AddSubcommand(app, "inspect", "");
    sub->add_option("FILE", p.file)->required();
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
}

TEST(GlobalOptions, AcceptedBeforeAndAfterTheSubcommand)
{
    const std::vector<std::vector<std::string>> lines = {
        {"--driver", "ftdi", "--simulate", "--sim-fault", "a", "--sim-mcu", "7", "inspect", "x.s",
         "--sim-fault", "b"},
        {"inspect", "x.s", "--driver", "ftdi", "--simulate", "--sim-fault", "a", "--sim-mcu", "7",
         "--sim-fault", "b"},
        {"inspect", "--driver=ftdi", "--sim-fault=a", "x.s", "--simulate", "--sim-mcu=7",
         "--sim-fault", "b"},
        {"--sim-fault", "a", "--sim-fault", "b", "--driver", "ftdi", "inspect", "--simulate",
         "--sim-mcu", "7", "x.s"},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(::testing::PrintToString(line));
        Parsed p;
        ASSERT_NO_THROW(Parse(line, p));
        EXPECT_EQ(p.file, "x.s");
        EXPECT_EQ(p.globals.link.driver, "ftdi");
        EXPECT_TRUE(p.globals.link.simulate);
        EXPECT_EQ(p.globals.link.sim.mcu, "7");
        EXPECT_EQ(p.globals.link.sim.faults, (std::vector<std::string>{"a", "b"}));
    }
}

TEST(GlobalOptions, EveryOptionIsStoredAsGiven)
{
    Parsed p;
    Parse({"inspect", "f.s", "--sim-secured", "--sim-no-target", "--sim-boot", "--sim-version",
           "1.2", "--sim-wire", "instant", "--sim-state", "st.json", "--resources", "/r", "--trace",
           "t.log", "--json"},
          p);
    const podlink::LinkOptions& link = p.globals.link;
    EXPECT_TRUE(link.sim.secured);
    EXPECT_TRUE(link.sim.noTarget);
    EXPECT_TRUE(link.sim.boot);
    EXPECT_EQ(link.sim.version, "1.2");
    EXPECT_EQ(link.sim.wire, "instant");
    EXPECT_EQ(link.sim.state, "st.json");
    EXPECT_EQ(link.resources, "/r");
    EXPECT_EQ(link.tracePath, "t.log");
    EXPECT_TRUE(p.globals.json);
    EXPECT_FALSE(link.simulate);
    EXPECT_TRUE(link.driver.empty());
    // Scripts want the emulator's replies at once.
    EXPECT_EQ(link.defaultWire, sim::WireMode::kInstant);
}

TEST(GlobalOptions, UnknownOptionsAndMissingValuesAreErrors)
{
    Parsed p;
    EXPECT_THROW(Parse({"inspect", "f.s", "--no-such-option"}, p), CLI::ParseError);
    Parsed q;
    EXPECT_THROW(Parse({"inspect", "f.s", "--driver"}, q), CLI::ParseError);
}

} // namespace
