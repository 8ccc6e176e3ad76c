#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

#include "tests/sim/SimTestSupport.h"
#include "sim/FrameCodec.h"

using simtest::Bench;
using simtest::Frame;

namespace {

TEST(SimFrame, VersionReplyHasItsExactBytes)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    // Payload "01" is the six bytes ':' "0161" CR; the reply carries the digits 1 and 1.
    EXPECT_EQ(Frame("01"), ":0161\r");
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
}

TEST(SimFrame, RejectedFramesGetAnErrorReplyOfTheAwaitedLength)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    // Wrong checksum on a version query: 8 bytes back, first byte not ':'.
    const std::string bad = ":0160\r";
    std::string reply = bench.Raw(bad);
    ASSERT_EQ(reply.size(), 8u);
    EXPECT_EQ(reply[0], '?');
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kChecksum);

    // Lower-case digits are not what the host sends ("%02X").
    reply = bench.Raw(Frame("51020000ab"));
    EXPECT_EQ(reply[0], '?');
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kFrame);

    reply = bench.Command("7F");
    ASSERT_EQ(reply.size(), 6u);
    EXPECT_EQ(reply[0], '?');
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kUnknownOpcode);
}

TEST(SimFrame, FieldWidthsAreExact)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok("0100")); // GetVersion takes no field
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kLength);
    EXPECT_FALSE(bench.Ok("5102000080"s.substr(0, 9))); // odd payload
    EXPECT_FALSE(bench.Ok("51020080"));                 // address of 4 digits, not 6
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kLength);
    EXPECT_FALSE(bench.Ok("5000"s + "0"));
    EXPECT_FALSE(bench.Ok("50"));
    EXPECT_TRUE(bench.Ok("5004"));
    EXPECT_FALSE(bench.Ok("5005")); // five baud entries, 0..4
    EXPECT_EQ(bench.Pod().LastError(), sim::PodError::kField);
}

TEST(SimFrame, NoiseBeforeTheColonIsIgnoredAndNoReplyWithoutCr)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Raw("zz\r" + Frame("01")), ":0111C3\r");
    EXPECT_EQ(bench.Raw(":0161"), "");
    // A new ':' starts over; the half frame before it is dropped.
    EXPECT_EQ(bench.Raw(Frame("01")), ":0111C3\r");
}

TEST(SimFrame, OverlongFrameIsRefused)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    const std::string reply = bench.Raw(":" + std::string(5000, '0') + "\r");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], '?');
}

TEST(SimFrame, CodecParsesAndFormats)
{
    std::string payload;
    EXPECT_EQ(sim::ParseCommandFrame(":0161\r", payload), sim::FrameError::kNone);
    EXPECT_EQ(payload, "01");
    EXPECT_EQ(sim::ParseCommandFrame(":0162\r", payload), sim::FrameError::kChecksum);
    EXPECT_EQ(sim::ParseCommandFrame("0161\r", payload), sim::FrameError::kSyntax);
    EXPECT_EQ(sim::ParseCommandFrame(":01G1\r", payload), sim::FrameError::kSyntax);
    EXPECT_EQ(sim::ParseCommandFrame(":161\r", payload), sim::FrameError::kSyntax);
    EXPECT_EQ(sim::FormatReplyFrame("24"), ":2466\r");
    const std::string error = sim::FormatErrorFrame(0x0B, 14);
    EXPECT_EQ(error.size(), 14u);
    EXPECT_EQ(error.substr(0, 3), "?0B");
    EXPECT_EQ(error.back(), '\r');
}

} // namespace
