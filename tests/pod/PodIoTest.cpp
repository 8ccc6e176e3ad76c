#include "pod/PodIo.h"
#include "tests/pod/PodFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace pod::test {
namespace {

class PodIo : public PodFixture {
protected:
    void SetUp() override { OpenCommandSession(); }
};

TEST_F(PodIo, WriteReturnsDoneAsSoonAsTheTransmitQueueIsEmpty)
{
    driver.txDrainPolls = 3;
    driver.statusPollAdvanceMs = 1;
    const std::string frame = ":0161\r";
    EXPECT_EQ(PodWrite(session, frame.data(), 6, 1500), PodIoResult::Done);
    EXPECT_EQ(driver.LastWrite(), frame);
    // One status after the write plus polls until it reports 0.
    EXPECT_EQ(driver.GetStatusCalls(), 4);
    EXPECT_EQ(clock.NowMs(), 1004u);
}

TEST_F(PodIo, WriteTimesOutWhenTheQueueStillHoldsBytesAfterTheTimeout)
{
    driver.txDrainPolls = 100000;
    driver.statusPollAdvanceMs = 1;
    const std::string frame = ":0161\r";
    EXPECT_EQ(PodWrite(session, frame.data(), 6, 1500), PodIoResult::Timeout);
    EXPECT_GE(clock.NowMs() - 1000u, 1500u);
    EXPECT_LT(clock.NowMs() - 1000u, 1503u);
}

TEST_F(PodIo, WriteDrainingInTheLastMillisecondBeforeTheDeadlineIsDone)
{
    // 1545 polls: 1 ms waits while 93 bytes or more are queued, shorter ones for the last
    // bytes; the queue is empty 1499.5 ms after the write.
    driver.txDrainPolls = 1545;
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::Done);
    EXPECT_EQ(clock.NowMs() - 1000u, 1499u);
    driver.txDrainPolls = 1546;
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::Timeout);
}

TEST_F(PodIo, WriteWaitsBetweenPollsForTheQueuedBytesWireTimeAtMostAMillisecond)
{
    // Nothing else moves the clock: only the waits do. 50 queued bytes drain one per
    // poll, 1275 byte times at 921600 baud in all, about 13.8 ms.
    driver.txDrainPolls = 50;
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::Done);
    EXPECT_EQ(clock.NowMs() - 1000u, 13u);

    // A queue that never drains: 1 ms waits until the time-out, one poll after each.
    driver.txDrainPolls = 100000;
    const int before = driver.GetStatusCalls();
    const std::uint32_t start = clock.NowMs();
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::Timeout);
    EXPECT_EQ(clock.NowMs() - start, 1500u);
    EXPECT_EQ(driver.GetStatusCalls() - before, 1501);
}

TEST_F(PodIo, WriteAndStatusFailuresAreDriverErrors)
{
    driver.FailCall("GetStatus");
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::DriverError);
    driver.FailCall("Write");
    EXPECT_EQ(PodWrite(session, "x", 1, 1500), PodIoResult::DriverError);
}

TEST_F(PodIo, ReadStopsAtExactlyCountAndLeavesFurtherBytesQueued)
{
    driver.InjectRx(":0000\rXYZ");
    char buffer[16] = {};
    EXPECT_EQ(PodRead(session, buffer, 6, 1500), PodIoResult::Done);
    EXPECT_EQ(std::string(buffer), ":0000\r");
    EXPECT_EQ(driver.PendingRx(), 3u);
    EXPECT_EQ(driver.ReadCalls(), 6);
    EXPECT_EQ(clock.NowMs(), 1000u); // no empty read, no sleep
}

TEST_F(PodIo, SilentPodTimesOutOnceTwoEmptyReadsLieTheTimeoutApart)
{
    char buffer[8] = {};
    EXPECT_EQ(PodRead(session, buffer, 6, 1500), PodIoResult::Timeout);
    // Empty reads at 1000 (idle start), 1001, ..., 2500; 1 ms sleep after each.
    EXPECT_EQ(driver.ReadCalls(), 1501);
    EXPECT_EQ(clock.NowMs(), 2501u);
}

TEST_F(PodIo, FirstEmptyReadNeverTimesOutAlone)
{
    char buffer[2] = {};
    EXPECT_EQ(PodRead(session, buffer, 1, 0), PodIoResult::Timeout);
    EXPECT_EQ(driver.ReadCalls(), 2);
}

TEST_F(PodIo, EveryReceivedByteRestartsTheTimeout)
{
    // Bytes 1000 ms apart: each gap is below the time-out, the whole reply is not.
    driver.QueueReply(ScriptedReply{"abc", 1000, 1000});
    PodWrite(session, "x", 1, 1500);
    char buffer[4] = {};
    EXPECT_EQ(PodRead(session, buffer, 3, 1500), PodIoResult::Done);
    EXPECT_EQ(std::string(buffer), "abc");
    EXPECT_EQ(clock.NowMs(), 4000u);
}

TEST_F(PodIo, AReplyStartingLaterThanTheTimeoutIsMissed)
{
    driver.QueueReply(ScriptedReply{"abc", 1600, 0});
    PodWrite(session, "x", 1, 1500);
    char buffer[4] = {};
    EXPECT_EQ(PodRead(session, buffer, 3, 1500), PodIoResult::Timeout);
    EXPECT_EQ(driver.PendingRx(), 3u);
}

TEST_F(PodIo, TimeoutIsMeasuredAcrossTheWrapOfTheMillisecondCounter)
{
    clock.Advance(0xFFFFFFFFu - 1000u - 100u); // now 2^32 - 101
    char buffer[2] = {};
    EXPECT_EQ(PodRead(session, buffer, 1, 1500), PodIoResult::Timeout);
    EXPECT_EQ(driver.ReadCalls(), 1501);
}

TEST_F(PodIo, ReadFailuresAreDriverErrors)
{
    char buffer[2] = {};
    driver.FailCall("GetQueueStatus");
    EXPECT_EQ(PodRead(session, buffer, 1, 1500), PodIoResult::DriverError);
    driver.FailCall("Read");
    EXPECT_EQ(PodRead(session, buffer, 1, 1500), PodIoResult::DriverError);
}

TEST_F(PodIo, ZeroCountReadsNothing)
{
    driver.InjectRx("abc");
    char buffer[1] = {'q'};
    EXPECT_EQ(PodRead(session, buffer, 0, 1500), PodIoResult::Done);
    EXPECT_EQ(buffer[0], 'q');
    EXPECT_EQ(driver.PendingRx(), 3u);
}

} // namespace
} // namespace pod::test
