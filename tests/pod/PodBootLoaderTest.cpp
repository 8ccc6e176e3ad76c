#include "pod/PodCommands.h"
#include "tests/pod/PodFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pod::test {
namespace {

using Calls = std::vector<std::string>;
const std::string kAck = "\x79";

class BootLoader : public PodFixture {
protected:
    void SetUp() override
    {
        session.ProbePod();
        ASSERT_TRUE(session.OpenPodBootSession());
        driver.ClearCalls();
    }
    void Ack(std::uint32_t delayMs = 0) { driver.QueueReply(ScriptedReply{kAck, delayMs, 0}); }
};

TEST_F(BootLoader, SyncSendsSevenFAfterPurgeAndWantsAck)
{
    Ack();
    EXPECT_TRUE(BootSync(session));
    EXPECT_EQ(driver.Writes(), (Calls{"\x7F"}));
    EXPECT_EQ(driver.Calls(), (Calls{"Purge 3", "Write 1"}));
    EXPECT_EQ(driver.QueueStatusCalls(), 1 + 1); // the poll, then PodRead's own check
}

TEST_F(BootLoader, SyncFailsOnNackAndWhenThePollBudgetRunsOut)
{
    driver.QueueReply("\x1F");
    EXPECT_FALSE(BootSync(session));

    const int polls = driver.QueueStatusCalls();
    const std::uint32_t start = clock.NowMs();
    EXPECT_FALSE(BootSync(session)); // silence
    EXPECT_EQ(driver.QueueStatusCalls() - polls, 100);
    EXPECT_EQ(clock.NowMs() - start, 100u);
    EXPECT_EQ(driver.ReadCalls(), 1); // only the NACK was read

    Ack(99); // seen on the 99th poll
    EXPECT_TRUE(BootSync(session));
    Ack(101);
    EXPECT_FALSE(BootSync(session));
}

TEST_F(BootLoader, EraseAllSendsCommandThenGlobalEraseEachAfterAPurge)
{
    Ack();
    Ack();
    EXPECT_TRUE(BootEraseAll(session));
    EXPECT_EQ(driver.Writes(), (Calls{std::string("\x43\xBC"), std::string("\xFF\x00", 2)}));
    EXPECT_EQ(driver.Calls(), (Calls{"Purge 3", "Write 2", "Purge 3", "Write 2"}));
}

TEST_F(BootLoader, ErasePhasesShareOneHundredPolls)
{
    Ack(50);
    Ack(50);
    EXPECT_TRUE(BootEraseAll(session));
    Ack(50);
    Ack(51);
    EXPECT_FALSE(BootEraseAll(session));
    driver.QueueReply("\x1F");
    EXPECT_FALSE(BootEraseAll(session));
    EXPECT_EQ(driver.Writes().size(), 5u); // a NACKed command stops the step
}

std::vector<std::uint8_t> Firmware()
{
    std::vector<std::uint8_t> image(24101);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13 + 5);
    return image;
}

TEST_F(BootLoader, LastBlockOfTheFirmwareGoesToItsAddressWithBothXors)
{
    const auto image = Firmware();
    Ack();
    Ack();
    Ack();
    EXPECT_TRUE(BootWriteBlock(session, image, 24064));
    const auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::string("\x31\xCE"));
    EXPECT_EQ(writes[1], std::string("\x08\x00\x5E\x00\x56", 5));
    ASSERT_EQ(writes[2].size(), 1u + 37 + 1);
    EXPECT_EQ(static_cast<std::uint8_t>(writes[2][0]), 36);
    std::uint8_t x = 36;
    for (int i = 0; i < 37; ++i) {
        EXPECT_EQ(static_cast<std::uint8_t>(writes[2][1 + i]), image[24064 + i]);
        x ^= image[24064 + i];
    }
    EXPECT_EQ(static_cast<std::uint8_t>(writes[2][38]), x);
    EXPECT_EQ(driver.Calls(),
              (Calls{"Purge 3", "Write 2", "Purge 3", "Write 5", "Purge 3", "Write 39"}));
}

TEST_F(BootLoader, FullBlockSends255AndTwoHundredFiftySixBytes)
{
    const auto image = Firmware();
    Ack();
    Ack();
    Ack();
    EXPECT_TRUE(BootWriteBlock(session, image, 256));
    const auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[1], std::string("\x08\x00\x01\x00\x09", 5));
    EXPECT_EQ(writes[2].size(), 258u);
    EXPECT_EQ(static_cast<std::uint8_t>(writes[2][0]), 0xFF);
}

TEST_F(BootLoader, WriteBudgetIsOneHundredForAddressingAndOneThousandInAll)
{
    const auto image = Firmware();
    Ack(50);
    Ack(51);
    EXPECT_FALSE(BootWriteBlock(session, image, 0));
    EXPECT_EQ(driver.Writes().size(), 2u);

    Ack(1);
    Ack(1);
    Ack(998);
    EXPECT_TRUE(BootWriteBlock(session, image, 0));

    Ack(1);
    Ack(1);
    Ack(999);
    EXPECT_FALSE(BootWriteBlock(session, image, 0));
}

TEST_F(BootLoader, OffsetAtOrBeyondTheImageEndSendsNothing)
{
    const auto image = Firmware();
    EXPECT_FALSE(BootWriteBlock(session, image, image.size()));
    EXPECT_FALSE(BootWriteBlock(session, {}, 0));
    EXPECT_TRUE(driver.Writes().empty());
}

TEST_F(BootLoader, StepsOnAClosedSessionSendNothing)
{
    session.ClosePodSession();
    EXPECT_FALSE(BootSync(session));
    EXPECT_FALSE(BootEraseAll(session));
    EXPECT_TRUE(driver.Writes().empty());
}

} // namespace
} // namespace pod::test
