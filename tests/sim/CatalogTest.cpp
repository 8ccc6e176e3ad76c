// The emulator's table of parts is written apart from the host's catalogue on purpose; here
// the two must agree row for row, so that a slip in either is caught even where no
// end-to-end run happens to reach it.
#include <gtest/gtest.h>

#include "image/McuCatalog.h"
#include "sim/SimCatalog.h"

namespace {

TEST(SimCatalog, AgreesWithTheHostCatalogueOnEveryPart)
{
    ASSERT_EQ(sim::PartCount(), image::kMcuCount);
    for (int type = 0; type < image::kMcuCount; ++type) {
        SCOPED_TRACE(type);
        const image::McuRecord& host = image::RecordFor(type);
        const auto part = sim::PartFor(type);
        ASSERT_TRUE(part.has_value());
        EXPECT_EQ(part->type, type);
        EXPECT_EQ(part->name, host.name);
        EXPECT_EQ(part->ramWindow1First, host.ramWindow1First);
        EXPECT_EQ(part->ramWindow1Last, host.ramWindow1Last);
        EXPECT_EQ(part->ramWindow2First, host.ramWindow2First);
        EXPECT_EQ(part->ramWindow2Last, host.ramWindow2Last);
        for (int r = 0; r < image::kRegionCount; ++r) {
            SCOPED_TRACE(image::RegionName(r));
            const sim::SimRegion& region = part->regions[static_cast<std::size_t>(r)];
            EXPECT_EQ(region.present, host.present[r] != 0);
            EXPECT_EQ(region.first, host.first[r]);
            EXPECT_EQ(region.last, host.last[r]);
            EXPECT_EQ(region.pageWords, host.pageWords[r]);
        }
        EXPECT_EQ(sim::LoaderWordsFor(type), image::LoaderLength(type));
        const auto hostLoader = image::LoaderFor(type);
        EXPECT_EQ(part->loader, std::vector<std::uint16_t>(hostLoader.begin(), hostLoader.end()));
    }
}

TEST(SimCatalog, KnowsNoPartOutsideTheTable)
{
    for (int type : {-1, 28, 255}) {
        EXPECT_FALSE(sim::PartFor(type).has_value()) << type;
        EXPECT_EQ(sim::LoaderWordsFor(type), 0u) << type;
    }
}

// A few rows against the parts' data sheets, so that both tables cannot drift together.
TEST(SimCatalog, RowsMatchTheDataSheets)
{
    const auto f807 = sim::PartFor(4);
    ASSERT_TRUE(f807.has_value());
    EXPECT_EQ(f807->name, "DSP56F807");
    EXPECT_EQ(f807->regions[3].first, 0x8000u); // P2FLASH 0x8000..0xEFFF
    EXPECT_EQ(f807->regions[3].last, 0xEFFFu);
    EXPECT_EQ(sim::LoaderWordsFor(4), 399u);

    const auto f827 = sim::PartFor(6);
    ASSERT_TRUE(f827.has_value());
    EXPECT_FALSE(f827->regions[1].present); // no boot flash
    EXPECT_EQ(f827->regions[0].first, 0x2000u);
    EXPECT_EQ(f827->regions[0].last, 0x2FFFu);

    const auto f8002 = sim::PartFor(7);
    ASSERT_TRUE(f8002.has_value());
    EXPECT_EQ(f8002->regions[2].Words(), 0x1800u); // 12 KB of program flash from 0x0800
    EXPECT_EQ(f8002->regions[0].Words() + f8002->regions[1].Words() + f8002->regions[3].Words(),
              0u);

    const auto f8367 = sim::PartFor(27);
    ASSERT_TRUE(f8367.has_value());
    EXPECT_EQ(f8367->regions[2].Words() + f8367->regions[3].Words(), 0x40000u); // 512 KB
    EXPECT_EQ(f8367->regions[2].pageWords, 1024u);
    EXPECT_EQ(f8367->ramWindow2Last, 0x3FFFu); // 32 KB of data RAM
    EXPECT_EQ(sim::LoaderWordsFor(16), 597u);  // the longest routine, MC56F8322
}

} // namespace
