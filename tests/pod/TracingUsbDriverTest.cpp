#include "pod/TracingUsbDriver.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "pod/TraceDecoder.h"
#include "tests/support/RecordingView.h"
#include "tests/support/ScriptedUsbDriver.h"
#include "report/SessionReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace pod::test {
namespace {

using Lines = std::vector<std::string>;

// The lines in the form tools read, without the notes for support readers.
Lines WithoutNotes(const Lines& lines)
{
    Lines kept;
    for (const std::string& line : lines)
        if (line.size() < 9 || line.compare(8, 1, "#") != 0) kept.push_back(line);
    return kept;
}

Lines NotesOnly(const Lines& lines)
{
    Lines notes;
    for (const std::string& line : lines)
        if (line.size() >= 9 && line.compare(8, 1, "#") == 0) notes.push_back(line);
    return notes;
}

class Tracing : public ::testing::Test {
protected:
    VirtualPodClock clock{5000};
    ScriptedUsbDriver scripted{clock};
    Lines lines;
    TracingUsbDriver tracer{scripted, clock, [this](const std::string& l) { lines.push_back(l); }};
    PodSession session{tracer, clock};
    support::RecordingView status;
};

TEST_F(Tracing, LogsConfigurationFramesRepliesAndPurgesWithTimes)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    scripted.QueueReply(ScriptedReply{":01130F\r", 5, 0});
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(CmdGetVersion(session, major, minor));
    EXPECT_FALSE(CmdResetTarget(session)); // silent: times out and purges
    session.ClosePodSession();
    EXPECT_EQ(WithoutNotes(lines), (Lines{
                                       "      0 load",
                                       "      0 devices 1",
                                       "      0 device 0 \"Quobin\"",
                                       "      0 open \"Quobin\"",
                                       "      0 reset",
                                       "      0 latency 2",
                                       "      0 baud 921600",
                                       "      0 data 8 0 0",
                                       "      0 flow 0 0 0",
                                       "      0 timeouts 1500 1500",
                                       "      0 purge 3",
                                       "      0 > :0161\\r",
                                       "      5 < :01130F\\r",
                                       "      5 > :0262\\r",
                                       "   1506 purge 3",
                                       "   1506 close",
                                   }));
    EXPECT_EQ(NotesOnly(lines), (Lines{
                                    "      0 # device \"Quobin\", serial \"SN0\"",
                                    "      0 # get-version",
                                    "      5 # reply OK, data 13",
                                    "      5 # reset-target",
                                    "   1506 # short read: nothing received after the last write",
                                }));
}

TEST(TraceDecoder, CommandsWithTheirFieldsByName)
{
    struct Case {
        const char* frame;
        const char* says;
    };
    const Case cases[] = {
        {":0161\r", "get-version"},
        {":24035C\r", "erase-flash regions=03"},
        {":2001000100647E\r", "connect-target mcu=01 connect=00 polarity=01 delay=0064"},
        {":25010200040000021234ABCDFFFF00\r",
         "program-page mode=01 region=02 address=000400 words=0002 sum=1234 +2 data words"},
        {":510200100000\r", "read-memory width=02 address=001000"},
        {":5201001000BEEF00\r", "write-memory width=01 address=001000 value=BEEF"},
        {":2501\r", "program-page (payload cut short)"},
        {":7700\r", "unknown opcode 77"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeSentFrame(c.frame), c.says) << c.frame;
    EXPECT_EQ(DescribeSentFrame("\x7F"), "");
    EXPECT_EQ(DescribeSentFrame(":01"), "");
}

TEST(TraceDecoder, RepliesOkWithDataErrorsWithTheirReasonAndCutReplies)
{
    EXPECT_EQ(DescribeReply(":0161\r"), "reply OK");
    EXPECT_EQ(DescribeReply(":01130F\r"), "reply OK, data 13");
    EXPECT_EQ(DescribeReply("?0B00\r"), "error reply 0B: words outside a region, or across a page");
    EXPECT_EQ(DescribeReply("?0600\r"),
              "error reply 06: command out of order (connect, EONCE, loader first)");
    EXPECT_EQ(DescribeReply("?3E00\r"),
              "error reply 3E: error injected by the emulator, --sim-fault");
    EXPECT_EQ(DescribeReply("?4000\r"), "error reply 40: unknown reason");
    EXPECT_EQ(DescribeReply("?0B"),
              "error reply 0B: words outside a region, or across a page (short read, no CR)");
    EXPECT_EQ(DescribeReply(":01"), "short read: reply without its CR");
    EXPECT_EQ(DescribeReply("\x79"), "");
    EXPECT_EQ(DescribeReply(""), "");
}

TEST(TracingNotes, HeaderLinesHaveNoTimeAndNotesTheirTime)
{
    VirtualPodClock clock(100);
    ScriptedUsbDriver scripted(clock);
    Lines lines;
    TracingUsbDriver tracer(scripted, clock, [&](const std::string& l) { lines.push_back(l); });
    tracer.Header("Quobin V1.3");
    clock.Advance(42);
    tracer.Note("result: ok");
    EXPECT_EQ(lines, (Lines{"# Quobin V1.3", "     42 # result: ok"}));
}

TEST_F(Tracing, RawBootBytesAreHexAndAPendingRunIsFlushed)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    lines.clear();
    scripted.QueueReply("\x79");
    EXPECT_TRUE(BootSync(session));
    tracer.Flush();
    EXPECT_EQ(lines, (Lines{"      0 purge 3", "      0 > 7F", "      1 < 79"}));
}

TEST_F(Tracing, FailingCallsShowTheirStatus)
{
    scripted.FailCall("SetBaudRate", kFtIoError);
    EXPECT_FALSE(report::EnsurePodSession(session, status));
    const auto failed = std::find(lines.begin(), lines.end(), "      0 baud 921600 -> status 4");
    ASSERT_NE(failed, lines.end());
    EXPECT_EQ(*std::next(failed), "      0 # status 4 is FT_IO_ERROR");
    EXPECT_EQ(lines.back(), "      0 unload");
}

TEST(TracingFormat, FramesAsTextEverythingElseAsHex)
{
    EXPECT_EQ(TracingUsbDriver::FormatBytes(":0161\r"), ":0161\\r");
    EXPECT_EQ(TracingUsbDriver::FormatBytes(":01"), ":01");
    EXPECT_EQ(TracingUsbDriver::FormatBytes("?0000\r"), "3F 30 30 30 30 0D");
    EXPECT_EQ(TracingUsbDriver::FormatBytes(std::string(":0\x00", 3)), "3A 30 00");
    EXPECT_EQ(TracingUsbDriver::FormatBytes(""), "");
}

TEST(TracingStream, WritesLinesToAStreamAndFlushesOnDestruction)
{
    VirtualPodClock clock;
    ScriptedUsbDriver scripted(clock);
    std::ostringstream out;
    {
        TracingUsbDriver tracer(scripted, clock, out);
        FtHandle handle = nullptr;
        ASSERT_EQ(tracer.OpenByDescription("Quobin", &handle), kFtOk);
        scripted.InjectRx("\x79\x1F");
        char byte = 0;
        std::uint32_t got = 0;
        tracer.Read(handle, &byte, 1, &got);
        tracer.Read(handle, &byte, 1, &got);
    }
    EXPECT_EQ(out.str(), "      0 open \"Quobin\"\n      0 # device \"Quobin\"\n      0 < 79 1F\n");
}

} // namespace
} // namespace pod::test
