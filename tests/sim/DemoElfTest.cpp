#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "elf/DebugInfoReader.h"
#include "elf/TypeLayout.h"
#include "sim/DemoDebugInfo.h"
#include "sim/DemoMap.h"

namespace {

// The checked-in pair is what the tools write today: a stale demo.elf (a variable moved
// in DemoVariables.h) would type the walkthrough's symbols wrongly or not at all.
TEST(SimDemoElf, ExampleFilesDescribeTheProgramsVariables)
{
    std::ifstream in(QUOBIN_EXAMPLES_DIR "/demo.elf.xMAP", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), sim::DemoMapText(true))
        << "regenerate with quobin-sim-demo-map --typed examples/demo.elf.xMAP";

    const elf::DebugInfo read = elf::ReadDebugInfoFile(QUOBIN_EXAMPLES_DIR "/demo.elf");
    const elf::DebugInfo wanted = sim::DemoDebugInfo();
    EXPECT_EQ(read.problem, "");
    ASSERT_EQ(read.variables.size(), wanted.variables.size())
        << "regenerate with quobin-sim-demo-elf examples/demo.elf";
    for (std::size_t i = 0; i < wanted.variables.size(); ++i) {
        SCOPED_TRACE(wanted.variables[i].name);
        EXPECT_EQ(read.variables[i].name, wanted.variables[i].name);
        EXPECT_EQ(read.variables[i].byteAddress, wanted.variables[i].byteAddress);
        EXPECT_EQ(elf::TypeText(read, read.variables[i].type), elf::TypeText(wanted, wanted.variables[i].type));
    }
}

} // namespace
