#include <gtest/gtest.h>

#include "cli/McuOptions.h"

namespace {

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
