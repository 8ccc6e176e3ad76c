#include "pod/TracingUsbDriver.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "tests/support/RecordingView.h"
#include "tests/support/ScriptedUsbDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace pod::test {
namespace {

using Lines = std::vector<std::string>;

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
    ASSERT_TRUE(session.EnsurePodSession(status));
    scripted.QueueReply(ScriptedReply{":01130F\r", 5, 0});
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(CmdGetVersion(session, major, minor));
    EXPECT_FALSE(CmdResetTarget(session)); // silent: times out and purges
    session.ClosePodSession();
    EXPECT_EQ(lines, (Lines{
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
}

TEST_F(Tracing, RawBootBytesAreHexAndAPendingRunIsFlushed)
{
    ASSERT_TRUE(session.EnsurePodSession(status));
    lines.clear();
    scripted.QueueReply("\x79");
    EXPECT_TRUE(BootSync(session));
    tracer.Flush();
    EXPECT_EQ(lines, (Lines{"      0 purge 3", "      0 > 7F", "      1 < 79"}));
}

TEST_F(Tracing, FailingCallsShowTheirStatus)
{
    scripted.FailCall("SetBaudRate", kFtIoError);
    EXPECT_FALSE(session.EnsurePodSession(status));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "      0 baud 921600 -> status 4"),
              lines.end());
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
    EXPECT_EQ(out.str(), "      0 open \"Quobin\"\n      0 < 79 1F\n");
}

} // namespace
} // namespace pod::test
