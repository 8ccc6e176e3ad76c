#include <gtest/gtest.h>

#include "cli/McuOptions.h"

namespace {

TEST(McuOption, NamesInAnyCaseAndIndexes)
{
    EXPECT_EQ(cli::ParseMcu("MC56F8367"), 27);
    EXPECT_EQ(cli::ParseMcu("mc56f8002"), 7);
    EXPECT_EQ(cli::ParseMcu(" DSP56F801 "), 0);
    EXPECT_EQ(cli::ParseMcu("0"), 0);
    EXPECT_EQ(cli::ParseMcu("27"), 27);
    EXPECT_EQ(cli::ParseMcu("007"), 7);
    for (const char* bad :
         {"", "28", "-1", "1000", "99999999999999999999", "MC56F83", "7x", "0x1B"}) {
        EXPECT_FALSE(cli::ParseMcu(bad).has_value()) << bad;
    }
}

TEST(RegionsOption, CommaListsInAnyOrder)
{
    using R = std::array<bool, 4>;
    EXPECT_EQ(cli::ParseRegions("DFLASH,BFLASH,P1FLASH,P2FLASH"), (R{true, true, true, true}));
    EXPECT_EQ(cli::ParseRegions("p2flash, dflash"), (R{true, false, false, true}));
    EXPECT_EQ(cli::ParseRegions("P1FLASH,P1FLASH"), (R{false, false, true, false}));
    EXPECT_EQ(cli::ParseRegions(""), (R{}));
    EXPECT_FALSE(cli::ParseRegions("P3FLASH").has_value());
    EXPECT_FALSE(cli::ParseRegions("DFLASH,").has_value());
    EXPECT_FALSE(cli::ParseRegions(",").has_value());
}

} // namespace
