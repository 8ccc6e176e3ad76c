#include <gtest/gtest.h>

#include "image/McuOptions.h"

namespace {

TEST(RegionsOption, CommaListsInAnyOrder)
{
    using R = std::array<bool, 4>;
    EXPECT_EQ(image::ParseRegions("DFLASH,BFLASH,P1FLASH,P2FLASH"), (R{true, true, true, true}));
    EXPECT_EQ(image::ParseRegions("p2flash, dflash"), (R{true, false, false, true}));
    EXPECT_EQ(image::ParseRegions("P1FLASH,P1FLASH"), (R{false, false, true, false}));
    EXPECT_EQ(image::ParseRegions(""), (R{}));
    EXPECT_FALSE(image::ParseRegions("P3FLASH").has_value());
    EXPECT_FALSE(image::ParseRegions("DFLASH,").has_value());
    EXPECT_FALSE(image::ParseRegions(",").has_value());
}

} // namespace
