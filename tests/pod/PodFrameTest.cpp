#include "pod/PodFrame.h"
#include "pod/PodPayload.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PodFrame, WrapsPayloadWithStartChecksumOfCharacterCodesAndCr)
{
    std::string frame;
    ASSERT_TRUE(pod::BuildPodFrame("01", frame));
    EXPECT_EQ(frame, std::string(":0161\r"));
    EXPECT_EQ(frame.size(), 6u);
}

TEST(PodFrame, ChecksumKeepsOnlyTheLowEightBitsOfTheSum)
{
    std::string frame;
    // '0'*3 + 'C' + 'F'*3 = 0x1A5
    ASSERT_TRUE(pod::BuildPodFrame("000CFFF", frame));
    EXPECT_EQ(frame, ":000CFFFA5\r");
    EXPECT_EQ(pod::PodFrameChecksum(""), 0);
}

TEST(PodFrame, RefusesAFrameLongerThan4095Characters)
{
    std::string frame = "untouched";
    EXPECT_TRUE(pod::BuildPodFrame(std::string(4091, '0'), frame));
    EXPECT_EQ(frame.size(), 4095u);
    frame = "untouched";
    EXPECT_FALSE(pod::BuildPodFrame(std::string(4092, '0'), frame));
    EXPECT_EQ(frame, "untouched");
}

TEST(PodFrame, HexDigitsFollowThePodsRuleIncludingNonDigits)
{
    EXPECT_EQ(pod::HexDigitValue('0'), 0);
    EXPECT_EQ(pod::HexDigitValue('9'), 9);
    EXPECT_EQ(pod::HexDigitValue('a'), 10);
    EXPECT_EQ(pod::HexDigitValue('f'), 15);
    EXPECT_EQ(pod::HexDigitValue('A'), 10);
    EXPECT_EQ(pod::HexDigitValue('F'), 15);
    // Anything else is its code minus 0x37.
    EXPECT_EQ(pod::HexDigitValue('G'), 16);
    EXPECT_EQ(pod::HexDigitValue('g'), 'g' - 0x37);
    EXPECT_EQ(pod::HexDigitValue('\0'), -0x37);
    EXPECT_EQ(pod::ParseHexByte("1A"), 0x1A);
    EXPECT_EQ(pod::ParseHexByte("fF"), 0xFF);
    EXPECT_EQ(pod::ParseHexByte("02"), 2);
}

TEST(PodPayload, FieldsAreUpperCaseFixedWidthAndOverflowInvalidates)
{
    pod::PodPayload p(0x25);
    p.Field(0xab, 2).Field(0x4000, 6).Field(0, 4).Field(0xDEADBEEF, 8);
    EXPECT_TRUE(p.valid());
    EXPECT_EQ(p.text(), "25AB00400000"
                        "00DEADBEEF");

    pod::PodPayload wide(0x13);
    wide.Field(0x10000, 4);
    EXPECT_FALSE(wide.valid());
    pod::PodPayload wide24(0x11);
    wide24.Field(0x1000000, 6);
    EXPECT_FALSE(wide24.valid());

    const std::uint16_t words[] = {0x0001, 0xFFFF};
    pod::PodPayload w(0x23);
    w.Words(words);
    EXPECT_EQ(w.text(), "230001FFFF");
}

} // namespace
