#include "pod/PodCommands.h"
#include "pod/PodIo.h"
#include "tests/pod/PodFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pod::test {
namespace {

using Calls = std::vector<std::string>;

class PodCommands : public PodFixture {
protected:
    void SetUp() override { OpenCommandSession(); }

    // Runs command against a reply of replyLength bytes followed by extra bytes: the
    // command must read exactly replyLength bytes, leave the rest queued and purge
    // nothing.
    void ExpectExchange(const std::function<PodOutcome()>& command, const std::string& frame,
                        const std::string& reply)
    {
        driver.QueueReply(reply + "XYZ");
        driver.ClearCalls();
        EXPECT_TRUE(command().ok()) << frame;
        EXPECT_EQ(driver.LastWrite(), frame);
        EXPECT_EQ(driver.PendingRx(), 3u) << frame;
        EXPECT_EQ(driver.Calls(), (Calls{"Write " + std::to_string(frame.size())})) << frame;
        driver.Purge(session.handle(), kFtPurgeRx);
    }
};

const std::string kAck = ":0000\r";

TEST_F(PodCommands, PlainCommandsSendExactFramesAndReadSixBytes)
{
    ExpectExchange([&] { return CmdResetTarget(session); }, ":0262\r", kAck);
    ExpectExchange([&] { return CmdUnlockFlash(session); }, ":2264\r", kAck);
    ExpectExchange([&] { return CmdEraseFlash(session, RegionMask(false, false, true, false)); },
                   ":2402C8\r", kAck);
    ExpectExchange([&] { return CmdEraseFlash(session, RegionMask(true, true, true, true)); },
                   ":240FDC\r", kAck);
    ExpectExchange([&] { return CmdReleaseTarget(session, 1); }, ":2801CB\r", kAck);
    ExpectExchange([&] { return CmdSetMonitorBaud(session, 3); }, ":5003C8\r", kAck);
    ExpectExchange([&] { return CmdConnectTarget(session, 7, kConnect56800E, 1, 10); },
                   ":20070401000A5F\r", kAck);
}

TEST_F(PodCommands, PodJobCommandsCarryTheirFieldsAndWords)
{
    const std::uint32_t counts[4] = {0x1000, 0x0800, 0x1F000, 0xABC};
    ExpectExchange([&] { return CmdPodWriteInfo(session, 2, 27, 1, 0, 500, 597, counts); },
                   ":11021B04010001F402551000080001F000000ABC19\r", kAck);
    const std::uint16_t loader[] = {0x1234, 0xABCD, 0x0001};
    ExpectExchange([&] { return CmdPodWriteLoader(session, 1, loader); },
                   ":120100031234ABCD00011C\r", kAck);
    const std::uint16_t block[] = {0xFFFF, 0x0000};
    ExpectExchange([&] { return CmdPodWriteBlock(session, 2, 1100, block); },
                   ":1302044C0004FFFF00003D\r", kAck);
}

TEST_F(PodCommands, TargetCommandsCarryTheirFieldsWordsAndWrappingChecksum)
{
    const std::uint16_t loader[] = {0x0102, 0x0304};
    ExpectExchange([&] { return CmdTargetLoadLoader(session, loader); }, ":23000201020304B1\r",
                   kAck);
    // 0x1111 + 0xF000 + 0x0FFF = 0x11110: the word checksum keeps 0x1110.
    const std::uint16_t page[] = {0x1111, 0xF000, 0x0FFF};
    ExpectExchange([&] { return CmdProgramPage(session, 2, 2, 0x4000, page); },
                   ":250202004000000311101111F0000FFF71\r", kAck);
    const std::uint16_t chunk[] = {0xBEEF};
    ExpectExchange([&] { return CmdBufferChunk(session, 1, chunk); }, ":26010001BEEF9C\r", kAck);
    ExpectExchange([&] { return CmdProgramBuffered(session, 1, 3, 0x1F800, 600, 0xA5A5); },
                   ":27010301F8000258A5A527\r", kAck);
}

TEST_F(PodCommands, VersionDigitsByThePodDigitRule)
{
    int major = -1;
    int minor = -1;
    ExpectExchange([&] { return CmdGetVersion(session, major, minor); }, ":0161\r", ":01130F\r");
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 3);
    ExpectExchange([&] { return CmdGetVersion(session, major, minor); }, ":0161\r", ":01aF00\r");
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 15);
}

TEST_F(PodCommands, EnableOnceGivesTheTargetStateDigits)
{
    driver.QueueReply(":210155\r");
    EXPECT_EQ(CmdEnableOnce(session).value, kTargetReady);
    EXPECT_EQ(driver.LastWrite(), ":2163\r");
    driver.QueueReply(":210255\r");
    EXPECT_EQ(CmdEnableOnce(session).value, kTargetSecured);
    driver.QueueReply("?210255\r");
    EXPECT_EQ(CmdEnableOnce(session).value, kTargetFailed);
    EXPECT_EQ(driver.Calls().back(), "Purge 3");
}

TEST_F(PodCommands, ReadMemoryWidthsAddressesAndReplyLengths)
{
    std::uint32_t value = 0;
    // BYTE_HIGH: width 1, 8 reply bytes, 2 digits; only the address's low 24 bits go out.
    ExpectExchange([&] { return CmdReadMemory(session, 1, 0x12345678, value); }, ":510134567808\r",
                   ":00AB00\r");
    EXPECT_EQ(value, 0xABu);
    ExpectExchange([&] { return CmdReadMemory(session, 2, 0x200, value); }, ":5102000200EA\r",
                   ":00BEEF00\r");
    EXPECT_EQ(value, 0xBEEFu);
    ExpectExchange([&] { return CmdReadMemory(session, 8, 0x1000, value); }, ":5103001000EA\r",
                   ":003F80000000\r");
    EXPECT_EQ(value, 0x3F800000u);
    EXPECT_EQ(ReadMemoryReplyLength(0), 8u);
    EXPECT_EQ(ReadMemoryReplyLength(1), 8u);
    EXPECT_EQ(ReadMemoryReplyLength(2), 10u);
    EXPECT_EQ(ReadMemoryReplyLength(3), 14u);
}

TEST_F(PodCommands, ViewTypesMapToAccessWidths)
{
    const int expected[] = {0, 1, 2, 3, 2, 3, 2, 3, 3};
    for (int view = 0; view <= 8; ++view)
        EXPECT_EQ(AccessWidthForView(view), expected[view]) << view;
    EXPECT_EQ(AccessWidthForView(9), -1);
    EXPECT_EQ(AccessWidthForView(-1), -1);
}

TEST_F(PodCommands, ReadMemoryUsesTheShortTimeout)
{
    std::uint32_t value = 7;
    EXPECT_FALSE(CmdReadMemory(session, 2, 0x100, value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(clock.NowMs(), 1000u + 101u);
    EXPECT_EQ(driver.Calls().back(), "Purge 3");
}

TEST_F(PodCommands, WriteMemorySendsTheWidthsLowBits)
{
    ExpectExchange([&] { return CmdWriteMemory(session, 8, 0x100, 0x3F800000); },
                   ":52030001003F8000008C\r", kAck);
    ExpectExchange([&] { return CmdWriteMemory(session, 1, 0x100, 0x1234); }, ":52010001003450\r",
                   kAck);
    ExpectExchange([&] { return CmdWriteMemory(session, 4, 0x100, 0xFFFF8000); },
                   ":52020001008000B2\r", kAck);
}

TEST_F(PodCommands, ViewTypesAboveEightAreRefusedWithoutSending)
{
    std::uint32_t value = 0;
    EXPECT_FALSE(CmdWriteMemory(session, 9, 0x100, 1));
    EXPECT_FALSE(CmdReadMemory(session, 9, 0x100, value));
    EXPECT_TRUE(driver.Writes().empty());
}

// A reply is taken only whole and of its shape; a late reply of an earlier command
// followed by the start of this one's must not yield a value.
TEST_F(PodCommands, ReplyShapeDecidesTheOutcome)
{
    struct Case {
        const char* reply;
        PodStatus status;
        std::uint8_t errorCode;
        std::uint32_t value;
    };
    const Case cases[] = {
        {":00BEEF00\r", PodStatus::Ok, 0, 0xBEEF},
        {":00BEEF99\r", PodStatus::Ok, 0, 0xBEEF}, // wrong checksum, still digits
        {":55beef00\r", PodStatus::Ok, 0, 0xBEEF}, // echo digits and case not judged
        {"?07000000\r", PodStatus::ErrorReply, 0x07, 7},
        {":0000\r:000", PodStatus::BadReply, 0, 7}, // a late acknowledgement first
        {":00BEEF00X", PodStatus::BadReply, 0, 7},  // CR missing at the end
        {":00BE\rEF0\r", PodStatus::BadReply, 0, 7},
        {":00BG EF00\r", PodStatus::BadReply, 0, 7},
        {"\xA5" "00BEEF00\r", PodStatus::BadReply, 0, 7},
        {":00BE", PodStatus::BadReply, 0, 7}, // cut short
        {"", PodStatus::NoAnswer, 0, 7},
    };
    for (const Case& c : cases) {
        std::uint32_t value = 7;
        driver.QueueReply(c.reply);
        driver.ClearCalls();
        const PodOutcome outcome = CmdReadMemory(session, 2, 0x80, value);
        EXPECT_EQ(outcome.status, c.status) << c.reply;
        EXPECT_EQ(outcome.errorCode, c.errorCode) << c.reply;
        EXPECT_EQ(value, c.value) << c.reply;
        if (c.status == PodStatus::NoAnswer) {
            EXPECT_EQ(outcome.timeoutMs, kPodReadMemoryTimeoutMs);
        }
        EXPECT_EQ(driver.PendingRx(), 0u) << c.reply;
        // A failure purges now and again right before the next command.
        const std::string first = driver.Calls().front();
        EXPECT_EQ(first, "Write 14") << c.reply << " after the case before";
        EXPECT_EQ(driver.Calls().back() == "Purge 3", !outcome.ok()) << c.reply;
        if (!outcome.ok()) {
            driver.ClearCalls();
            driver.QueueReply(kAck);
            EXPECT_TRUE(CmdResetTarget(session).ok());
            EXPECT_EQ(driver.Calls(), (Calls{"Purge 3", "Write 6"})) << c.reply;
        }
    }
}

TEST_F(PodCommands, CutDataReplyFailsRatherThanGivingZeroes)
{
    std::uint32_t value = 5;
    driver.QueueReply(":00");
    EXPECT_FALSE(CmdReadMemory(session, 3, 0x10, value));
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(driver.Calls().back(), "Purge 3");
    int major = -1;
    int minor = -1;
    driver.QueueReply(":01");
    EXPECT_FALSE(CmdGetVersion(session, major, minor));
    EXPECT_EQ(major, -1);
    driver.QueueReply(":21");
    EXPECT_EQ(CmdEnableOnce(session).value, kTargetFailed);
}

TEST_F(PodCommands, DriverFailureIsALostLink)
{
    driver.FailCall("Write");
    EXPECT_EQ(CmdResetTarget(session).status, PodStatus::LinkLost);
    EXPECT_EQ(driver.Calls().back(), "Purge 3");
}

TEST_F(PodCommands, ClosedSessionSendsNothing)
{
    session.ClosePodSession();
    driver.ClearCalls();
    int major = 0;
    int minor = 0;
    EXPECT_FALSE(CmdGetVersion(session, major, minor));
    EXPECT_FALSE(CmdResetTarget(session));
    EXPECT_TRUE(driver.Calls().empty());
}

TEST_F(PodCommands, BufferChunksOfAProgramSplitByTheCaller)
{
    std::vector<std::uint16_t> words(600);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(i * 7);
    std::span<const std::uint16_t> all(words);
    driver.SetResponder([](const std::string&) { return std::string(":0000\r"); });
    EXPECT_TRUE(CmdBufferChunk(session, 0, all.subspan(0, 256)));
    EXPECT_TRUE(CmdBufferChunk(session, 1, all.subspan(256, 256)));
    EXPECT_TRUE(CmdBufferChunk(session, 2, all.subspan(512)));
    const auto writes = driver.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].substr(0, 9), ":26000100");
    EXPECT_EQ(writes[1].substr(0, 9), ":26010100");
    EXPECT_EQ(writes[2].substr(0, 9), ":26020058");
    EXPECT_EQ(writes[2].size(), 1u + 8 + 4 * 88 + 3);
    EXPECT_EQ(writes[2].substr(9, 8), "0E000E07"); // words 512 and 513: 3584, 3591
    EXPECT_EQ(WordChecksum(all), static_cast<std::uint16_t>(7 * 599 * 600 / 2));
}

TEST_F(PodCommands, LoaderCommandsSendTheLargestLoaderAndRefuseOversizedFrames)
{
    driver.SetResponder([](const std::string&) { return std::string(":0000\r"); });
    std::vector<std::uint16_t> loader(597, 0x5A5A);
    EXPECT_TRUE(CmdPodWriteLoader(session, 2, loader));
    EXPECT_EQ(driver.LastWrite().size(), 1u + 8 + 4 * 597 + 3);
    EXPECT_EQ(driver.LastWrite().substr(0, 9), ":12020255");
    EXPECT_TRUE(CmdTargetLoadLoader(session, loader));
    EXPECT_EQ(driver.LastWrite().substr(0, 7), ":230255");

    // 8 + 4 x 1020 + 4 = 4092 fits; 1021 words would give 4096.
    std::vector<std::uint16_t> big(1020, 0);
    EXPECT_TRUE(CmdPodWriteLoader(session, 1, big));
    EXPECT_EQ(driver.LastWrite().size(), 4092u);
    const std::size_t before = driver.Writes().size();
    big.push_back(0);
    EXPECT_FALSE(CmdPodWriteLoader(session, 1, big));
    big.push_back(0);
    EXPECT_FALSE(CmdTargetLoadLoader(session, big));
    EXPECT_EQ(driver.Writes().size(), before);
}

TEST_F(PodCommands, FieldsThatDoNotFitTheirWidthAreRefused)
{
    const std::uint32_t counts[4] = {0x10000, 0, 0, 0}; // DFLASH count is a 16-bit field
    EXPECT_FALSE(CmdPodWriteInfo(session, 1, 0, 0, 0, 1, 300, counts));
    const std::uint32_t p1[4] = {0, 0, 0x1000000, 0};
    EXPECT_FALSE(CmdPodWriteInfo(session, 1, 0, 0, 0, 1, 300, p1));
    EXPECT_FALSE(CmdConnectTarget(session, 0x100, 1, 0, 1));
    EXPECT_FALSE(CmdProgramBuffered(session, 1, 2, 0x1000000, 1, 0));
    EXPECT_FALSE(CmdProgramBuffered(session, 1, 2, 0, 0x10000, 0));
    EXPECT_FALSE(CmdPodWriteBlock(session, 1, 0x10000, {}));
    EXPECT_TRUE(driver.Writes().empty());
}

} // namespace
} // namespace pod::test
