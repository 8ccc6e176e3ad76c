#include "pod/PodClock.h"

#include <gtest/gtest.h>

TEST(VirtualPodClock, MovesOnlyWhenSleptOrAdvancedAndWrapsLikeA32BitTimer)
{
    pod::VirtualPodClock clock(0xFFFFFFF0u);
    EXPECT_EQ(clock.NowMs(), 0xFFFFFFF0u);
    clock.SleepMs(0x10);
    EXPECT_EQ(clock.NowMs(), 0u);
    clock.Advance(5);
    EXPECT_EQ(clock.NowMs(), 5u);
}
