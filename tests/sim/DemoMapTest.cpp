#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/DemoMap.h"
#include "sim/DemoVariables.h"
#include "sim/SimCatalog.h"

namespace {

TEST(SimDemoMap, ExampleFileIsTheGeneratedMap)
{
    std::ifstream in(QUOBIN_EXAMPLES_DIR "/demo.xMAP", std::ios::binary);
    ASSERT_TRUE(in) << "examples/demo.xMAP missing: run quobin-sim-demo-map examples/demo.xMAP";
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), sim::DemoMapText()) << "regenerate with quobin-sim-demo-map examples/demo.xMAP";
}

TEST(SimDemoMap, VariableLinesNameTheProgramsVariables)
{
    const std::string map = sim::DemoMapText();
    std::istringstream lines(map);
    std::string line;
    std::size_t found = 0;
    for (const sim::DemoVariable& v : sim::DemoVariables()) {
        char expected[128];
        std::snprintf(expected, sizeof expected, "  %08X %08X %-7s %s\t(demo.c)", v.address, v.words, v.section,
                      v.name);
        if (map.find(expected) != std::string::npos) {
            ++found;
        }
        // Inside the data RAM window of every part, so monitoring works whatever is selected.
        for (int type = 0; type < sim::PartCount(); ++type) {
            const auto part = sim::PartFor(type);
            EXPECT_TRUE(part->InRam(v.address) && part->InRam(v.address + v.words - 1)) << v.name << " " << type;
        }
    }
    EXPECT_EQ(found, sim::DemoVariables().size());
}

}  // namespace
