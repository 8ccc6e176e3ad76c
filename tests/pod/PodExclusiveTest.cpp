#include "pod/PodCommands.h"
#include "tests/pod/PodFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace pod::test {
namespace {

// Echoes the read address back as the value, so a reply taken by the wrong thread shows.
std::string EchoAddress(const std::string& written)
{
    if (written.size() < 11 || written.compare(0, 3, ":51") != 0) return ":0000\r";
    return ":00" + written.substr(7, 4) + "00\r";
}

class PodExclusive : public PodFixture {
protected:
    void SetUp() override
    {
        OpenCommandSession();
        driver.SetResponder(EchoAddress);
    }
};

TEST_F(PodExclusive, ExchangesOfTwoThreadsNeverInterleave)
{
    std::atomic<int> wrong{0};
    auto worker = [&](std::uint32_t base) {
        for (std::uint32_t i = 0; i < 300; ++i) {
            std::uint32_t value = 0;
            const std::uint32_t address = base + i;
            if (!CmdReadMemory(session, 2, address, value) || value != address) ++wrong;
        }
    };
    std::thread a(worker, 0x1000);
    std::thread b(worker, 0x8000);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(driver.InterleavedWrites(), 0);
    EXPECT_EQ(driver.Writes().size(), 600u);
}

TEST_F(PodExclusive, AnOperationHoldingTheLockKeepsOthersOutBetweenItsCommands)
{
    std::atomic<bool> otherDone{false};
    std::thread other;
    {
        auto lock = session.Lock();
        other = std::thread([&] {
            CmdResetTarget(session);
            otherDone = true;
        });
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(CmdReleaseTarget(session, 0));
            std::this_thread::yield();
        }
        EXPECT_FALSE(otherDone.load());
    }
    other.join();
    EXPECT_TRUE(otherDone.load());
    const auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 21u);
    EXPECT_EQ(writes.back(), ":0262\r");
}

} // namespace
} // namespace pod::test
