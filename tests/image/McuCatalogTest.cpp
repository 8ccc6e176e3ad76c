#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "image/McuCatalog.h"

namespace {

using image::McuRecord;

struct Region {
    std::uint32_t first, last, page; // page 0 = absent
};

struct Row {
    const char* name;
    std::uint32_t ram1First, ram1Last, ram2First, ram2Last;
    Region regions[4];
    std::uint32_t loaderLength, dataSpaceOffset;
};

constexpr Region kAbsent{0, 0, 0};

TEST(McuCatalog, EveryPartHasAConsistentMemoryMap)
{
    std::set<std::string> names;
    for (int type = 0; type < image::kMcuCount; ++type) {
        const McuRecord& r = image::RecordFor(type);
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(names.insert(r.name).second) << "duplicate name";
        EXPECT_EQ(image::McuIndexByName(r.name), type);
        // Types 0..6 are the 56800 parts, the rest the 56800E parts; DFLASH addresses in
        // their S files are raised by the family's data-space offset.
        const bool dsp56800 = type <= 6;
        EXPECT_EQ(std::string(r.name).rfind(dsp56800 ? "DSP56F8" : "MC56F8", 0), 0u);
        EXPECT_EQ(image::DataSpaceOffset(type),
                  dsp56800 ? 0x200000u : (type <= 15 ? 0u : 0x2000000u));
        EXPECT_LE(r.ramWindow1First, r.ramWindow1Last);
        EXPECT_EQ(r.ramWindow2First, 0u);
        EXPECT_GE(image::LoaderLength(type), 258u);
        EXPECT_LE(image::LoaderLength(type), 597u);
        EXPECT_EQ(image::LoaderFor(type).size(), image::LoaderLength(type));
        EXPECT_EQ(r.present[image::kP1flash], 1u) << "every part has program flash";
        for (int reg = 0; reg < image::kRegionCount; ++reg) {
            SCOPED_TRACE(image::RegionName(reg));
            const std::uint32_t page = r.pageWords[reg];
            if (r.present[reg] == 0) {
                EXPECT_EQ(r.first[reg] | r.last[reg] | page | r.pageShift[reg], 0u);
                continue;
            }
            EXPECT_TRUE(page == 256 || page == 512 || page == 1024) << page;
            EXPECT_EQ(1u << r.pageShift[reg], page);
            EXPECT_LE(r.first[reg], r.last[reg]);
            EXPECT_LE(r.last[reg] - r.first[reg] + 1, 0x20000u) << "larger than a region image";
        }
    }
    EXPECT_EQ(names.size(), 28u);
}

TEST(McuCatalog, PartsMatchTheirDataSheets)
{
    // clang-format off
    const Row rows[] = {
        {"DSP56F807", 0xF000, 0xF7FF, 0, 0x0FFF, {{0x2000, 0x3FFF, 256}, {0xF800, 0xFFFF, 256}, {0x0004, 0x7FFF, 256}, {0x8000, 0xEFFF, 256}}, 399, 0x200000},
        {"DSP56F827", 0x7C00, 0x7FFF, 0, 0x0FFF, {{0x2000, 0x2FFF, 256}, kAbsent, {0x0000, 0x7BFF, 256}, {0x8000, 0xFFFF, 256}}, 317, 0x200000},
        {"MC56F8013", 0x8400, 0x87FF, 0, 0x03FF, {kAbsent, kAbsent, {0x0000, 0x1FFF, 256}, kAbsent}, 296, 0},
        {"MC56F8322", 0x2F800, 0x2FFFF, 0, 0x0FFF, {{0x1000, 0x1FFF, 256}, {0x20000, 0x20FFF, 256}, {0x0000, 0x3FFF, 512}, kAbsent}, 597, 0x2000000},
        {"MC56F8367", 0x4F800, 0x4FFFF, 0, 0x3FFF, {{0x4000, 0x7FFF, 256}, {0x40000, 0x43FFF, 512}, {0x0000, 0x1FFFF, 1024}, {0x20000, 0x3FFFF, 1024}}, 591, 0x2000000},
    };
    // clang-format on
    for (const Row& e : rows) {
        SCOPED_TRACE(e.name);
        const int type = image::McuIndexByName(e.name);
        ASSERT_GE(type, 0);
        const McuRecord& r = image::RecordFor(type);
        EXPECT_EQ(r.ramWindow1First, e.ram1First);
        EXPECT_EQ(r.ramWindow1Last, e.ram1Last);
        EXPECT_EQ(r.ramWindow2First, e.ram2First);
        EXPECT_EQ(r.ramWindow2Last, e.ram2Last);
        for (int reg = 0; reg < image::kRegionCount; ++reg) {
            SCOPED_TRACE(image::RegionName(reg));
            EXPECT_EQ(r.present[reg], e.regions[reg].page != 0 ? 1u : 0u);
            EXPECT_EQ(r.first[reg], e.regions[reg].first);
            EXPECT_EQ(r.last[reg], e.regions[reg].last);
            EXPECT_EQ(r.pageWords[reg], e.regions[reg].page);
        }
        EXPECT_EQ(image::LoaderLength(type), e.loaderLength);
        EXPECT_EQ(image::DataSpaceOffset(type), e.dataSpaceOffset);
    }
    // The list order the window and the command line number the parts by.
    EXPECT_EQ(image::McuIndexByName("DSP56F801"), 0);
    EXPECT_EQ(image::McuIndexByName("MC56F8002"), 7);
    EXPECT_EQ(image::McuIndexByName("MC56F8322"), 16);
    EXPECT_EQ(image::McuIndexByName("MC56F8367"), 27);
}

TEST(McuCatalog, OutOfRangeTypesNeverIndexTheTable)
{
    for (int type : {-1, 28, 255, 1 << 30}) {
        EXPECT_FALSE(image::IsValidMcuType(type));
        EXPECT_STREQ(image::RecordFor(type).name, "");
        EXPECT_EQ(image::RecordFor(type).present[0], 0u);
        EXPECT_EQ(image::LoaderLength(type), 0u);
        EXPECT_EQ(image::DataSpaceOffset(type), 0u);
        EXPECT_TRUE(image::LoaderFor(type).empty());
        EXPECT_STREQ(image::LoaderFileName(type), "");
    }
    EXPECT_EQ(image::McuIndexByName("MC56F8368"), -1);
    EXPECT_EQ(image::McuIndexByName("mc56f8367"), -1);
    EXPECT_EQ(image::McuIndexByName(""), -1);
    EXPECT_STREQ(image::RegionName(4), "");
    EXPECT_STREQ(image::RegionName(-1), "");
}

TEST(McuCatalog, RegionNamesAndResetDelays)
{
    EXPECT_STREQ(image::RegionName(image::kDflash), "DFLASH");
    EXPECT_STREQ(image::RegionName(image::kBflash), "BFLASH");
    EXPECT_STREQ(image::RegionName(image::kP1flash), "P1FLASH");
    EXPECT_STREQ(image::RegionName(image::kP2flash), "P2FLASH");
    EXPECT_EQ(image::RegionIndexByName("P2FLASH"), 3);
    EXPECT_EQ(image::RegionIndexByName("p2flash"), -1);
    EXPECT_EQ(image::ResetDelayTable, (std::array<std::uint16_t, 5>{1, 10, 50, 100, 500}));
    EXPECT_EQ(image::ResetDelayTable[image::kDefaultResetDelayIndex], 100);
}

TEST(McuCatalog, LoadersHaveExactLengthsAndAreSharedAsListed)
{
    // Parts whose flash routines are identical, by group; every other part has its own.
    const std::vector<std::vector<const char*>> groups = {
        {"DSP56F801", "DSP56F802"},
        {"DSP56F803", "DSP56F805"},
        {"DSP56F807"},
        {"DSP56F826"},
        {"DSP56F827"},
        {"MC56F8002", "MC56F8006"},
        {"MC56F8011"},
        {"MC56F8013", "MC56F8014"},
        {"MC56F8023", "MC56F8025"},
        {"MC56F8036"},
        {"MC56F8037"},
        {"MC56F8322", "MC56F8323"},
        {"MC56F8335", "MC56F8345", "MC56F8346", "MC56F8347"},
        {"MC56F8355", "MC56F8356", "MC56F8357"},
        {"MC56F8365", "MC56F8366"},
        {"MC56F8367"},
    };
    std::set<const std::uint16_t*> distinct;
    int covered = 0;
    for (const auto& group : groups) {
        const int leader = image::McuIndexByName(group.front());
        ASSERT_GE(leader, 0);
        EXPECT_EQ(std::string(image::LoaderFileName(leader)), std::string(group.front()) + ".bin");
        const auto leaderWords = image::LoaderFor(leader);
        EXPECT_TRUE(distinct.insert(leaderWords.data()).second) << group.front();
        for (const char* name : group) {
            const int type = image::McuIndexByName(name);
            ASSERT_GE(type, 0) << name;
            const auto words = image::LoaderFor(type);
            EXPECT_EQ(words.size(), image::LoaderLength(type)) << name;
            EXPECT_EQ(words.data(), leaderWords.data()) << name;
            ++covered;
        }
    }
    EXPECT_EQ(covered, image::kMcuCount);
    // Distinct routines also differ in content.
    const auto a = image::LoaderFor(image::McuIndexByName("DSP56F801"));
    const auto b = image::LoaderFor(image::McuIndexByName("DSP56F803"));
    ASSERT_EQ(a.size(), b.size());
    EXPECT_NE(std::memcmp(a.data(), b.data(), a.size() * 2), 0);
    // The longest routine fills a 2394-character load command: 6 + 4 x 597.
    EXPECT_EQ(6 + 4 * image::LoaderFor(16).size(), 2394u);
}

TEST(McuSelection, StartsWithTheDefaultPartAndFollowsSelections)
{
    image::McuSelection sel;
    EXPECT_EQ(sel.type(), 27);
    EXPECT_EQ(sel.loaderLength(), 591u);
    EXPECT_EQ(sel.dataSpaceOffset(), 0x2000000u);

    ASSERT_TRUE(sel.SelectMcu(7)); // MC56F8002: only P1FLASH
    EXPECT_EQ(sel.present(image::kDflash), 0u);
    EXPECT_EQ(sel.present(image::kBflash), 0u);
    EXPECT_EQ(sel.present(image::kP1flash), 1u);
    EXPECT_EQ(sel.present(image::kP2flash), 0u);
    EXPECT_EQ(sel.first(image::kP1flash), 0x0800u);
    EXPECT_EQ(sel.dataSpaceOffset(), 0u);

    ASSERT_TRUE(sel.SelectMcu(4)); // DSP56F807: all four, P2FLASH 0x8000-0xEFFF
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(sel.present(r), 1u);
    }
    EXPECT_EQ(sel.first(image::kP2flash), 0x8000u);
    EXPECT_EQ(sel.last(image::kP2flash), 0xEFFFu);
    EXPECT_EQ(sel.loaderLength(), 399u);

    ASSERT_TRUE(sel.SelectMcu(6)); // DSP56F827: no BFLASH
    EXPECT_EQ(sel.present(image::kDflash), 1u);
    EXPECT_EQ(sel.first(image::kDflash), 0x2000u);
    EXPECT_EQ(sel.last(image::kDflash), 0x2FFFu);
    EXPECT_EQ(sel.present(image::kBflash), 0u);
    EXPECT_EQ(sel.pageShift(image::kP2flash), 8u);

    ASSERT_TRUE(sel.SelectMcu(25));
    EXPECT_EQ(sel.pageWords(image::kP1flash), 1024u);
    EXPECT_EQ(sel.pageShift(image::kBflash), 9u);

    EXPECT_FALSE(sel.SelectMcu(28));
    EXPECT_FALSE(sel.SelectMcu(-1));
    EXPECT_EQ(sel.type(), 25);
    EXPECT_EQ(sel.present(7), 0u);
    EXPECT_EQ(sel.first(-1), 0u);
    EXPECT_STREQ(sel.record().name, "MC56F8365");
}

} // namespace
