// A reply that arrives after its command's time-out must never pass for the next
// command's: the next command waits for a quiet line after a failure, and once the POD
// is known to echo each command's opcode, a frame naming another opcode is dropped. A POD
// whose first pair is a status is read as before.
#include "pod/PodCommands.h"
#include "tests/pod/PodFixture.h"

#include <string>
#include <vector>

namespace pod::test {
namespace {

class LateReply : public PodFixture {
protected:
    void SetUp() override
    {
        OpenCommandSession();
        session.SetTraceNote([this](const std::string& text) { notes.push_back(text); });
    }

    // Three exchanges whose replies carry their opcode: the POD is then known to echo.
    void LearnEcho()
    {
        for (int i = 0; i < 3; ++i) {
            driver.QueueReply(":0262\r");
            ASSERT_TRUE(CmdResetTarget(session).ok());
        }
        ASSERT_EQ(session.replyEcho(), PodSession::ReplyEcho::Echoes);
    }

    bool Noted(const std::string& start) const
    {
        for (const std::string& note : notes)
            if (note.rfind(start, 0) == 0) return true;
        return false;
    }

    std::vector<std::string> notes;
};

TEST_F(LateReply, AnEchoingPodsFrameOfAnotherCommandIsDroppedAndTheOwnOneTaken)
{
    LearnEcho();
    // The write's acknowledgement comes after a late one of the baud-rate command.
    driver.QueueReply(":5065\r:5267\r");
    EXPECT_TRUE(CmdWriteMemory(session, 2, 0x8A, 5).ok());
    EXPECT_EQ(driver.PendingRx(), 0u);
    EXPECT_TRUE(Noted("foreign reply :5065\\r dropped"));
}

TEST_F(LateReply, AnEchoingPodsOwnReplyThatNeverComesIsNoAnswer)
{
    LearnEcho();
    driver.QueueReply(":5065\r");
    EXPECT_EQ(CmdWriteMemory(session, 2, 0x8A, 5).status, PodStatus::NoAnswer);
}

TEST_F(LateReply, APodWhoseFirstPairIsAStatusKeepsEveryWellFormedReply)
{
    driver.QueueReply(":0000\r");
    ASSERT_TRUE(CmdResetTarget(session).ok());
    EXPECT_EQ(session.replyEcho(), PodSession::ReplyEcho::Status);
    driver.QueueReply(":5065\r");
    EXPECT_TRUE(CmdWriteMemory(session, 2, 0x8A, 5).ok());
    EXPECT_FALSE(Noted("foreign reply"));
}

TEST_F(LateReply, AfterAFailureTheNextCommandWaitsForAQuietLine)
{
    // The baud-rate command is answered 500 ms after its 1500 ms time-out.
    driver.QueueReply(ScriptedReply{":5065\r", 2000, 0});
    EXPECT_EQ(CmdSetMonitorBaud(session, 2).status, PodStatus::NoAnswer);
    // The write's own acknowledgement takes 600 ms: sent at once, the write would read the
    // late one first and take it.
    driver.QueueReply(ScriptedReply{":0000\r", 600, 0});
    EXPECT_TRUE(CmdWriteMemory(session, 2, 0x8A, 5).ok());
    EXPECT_EQ(driver.PendingRx(), 0u) << "a reply was left for the next command";
    EXPECT_TRUE(Noted("settled "));
    // Normal traffic keeps its timing: no wait before a command after a success.
    notes.clear();
    driver.QueueReply(":0000\r");
    EXPECT_TRUE(CmdWriteMemory(session, 2, 0x8A, 6).ok());
    EXPECT_FALSE(Noted("settled "));
}

} // namespace
} // namespace pod::test
