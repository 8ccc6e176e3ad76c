#include "monitor/ValueText.h"
#include "pod/PodCommands.h"
#include "monitor/Latin1Text.h"
#include "monitor/ViewType.h"

#include <gtest/gtest.h>

#include <optional>

#include <cmath>

namespace {

using namespace monitor;

TEST(ViewTypes, NamesLabelsAndLookups)
{
    const char* names[] = {"BYTE_LOW", "BYTE_HIGH", "HEX16",  "HEX32", "INT16",
                           "INT32",    "UINT16",    "UINT32", "FLOAT", "ASCII",
                           "FRAC16",   "FRAC32"};
    for (int i = 0; i < kViewTypeCount; ++i) {
        const auto type = static_cast<ViewType>(i);
        EXPECT_STREQ(ViewTypeName(type), names[i]);
        EXPECT_EQ(ViewTypeFromName(names[i]), type);
        EXPECT_EQ(ViewTypeFromNumber(i), type);
    }
    EXPECT_STREQ(ViewTypeMenuLabel(BYTE_LOW), "HEX8_LOW");
    EXPECT_STREQ(ViewTypeMenuLabel(BYTE_HIGH), "HEX8_HIGH");
    EXPECT_STREQ(ViewTypeMenuLabel(FLOAT), "FLOAT");
    EXPECT_EQ(ViewTypeFromName("float"), HEX16);
    EXPECT_EQ(ViewTypeFromName(""), HEX16);
    EXPECT_FALSE(FindViewType("Int16").has_value());
    EXPECT_EQ(ViewTypeFromNumber(12), HEX16);
    EXPECT_EQ(ViewTypeFromNumber(-1), HEX16);
}

struct FormatCase {
    ViewType type;
    std::uint32_t value;
    const char* text;
    double plot;
};

class Format : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Format, TextAndPlotNumber)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatMonitorValue(c.type, c.value), c.text);
    EXPECT_EQ(PlotValue(c.type, c.value), c.plot);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Format,
    ::testing::Values(FormatCase{BYTE_LOW, 0x12AB, "0xAB", 171.0},
                      FormatCase{BYTE_HIGH, 0x12, "0x12", 18.0}, // the POD returns the high byte
                      FormatCase{HEX16, 0x12AB, "0x12AB", 4779.0},
                      FormatCase{HEX16, 0xABCD12AB, "0x12AB", 4779.0},
                      FormatCase{HEX32, 0xDEADBEEF, "0xDEADBEEF", 3735928559.0},
                      FormatCase{INT16, 0xFFFE, "-2", -2.0},
                      FormatCase{UINT16, 0xFFFE, "65534", 65534.0},
                      FormatCase{INT32, 0x80000000, "-2147483648", -2147483648.0},
                      FormatCase{UINT32, 0xFFFFFFFF, "4294967295", 4294967295.0},
                      // A single shows its seven significant digits, however small or large.
                      FormatCase{FLOAT, 0x3F800000, "1", 1.0},
                      FormatCase{FLOAT, 0xC0490FDB, "-3.141593", -3.1415927410125732},
                      FormatCase{FLOAT, 0x33D6BF95, "1e-07", 1.0000000116860974e-07},
                      FormatCase{FLOAT, 0x7F7FFFFF, "3.402823e+38", 3.4028234663852886e+38},
                      FormatCase{FLOAT, 0x41480000, "12.5", 12.5}));

TEST(Format, AsciiHasNoNumber)
{
    EXPECT_EQ(FormatMonitorValue(ASCII, 0x41), "");
    EXPECT_FALSE(PlotValue(ASCII, 0x41).has_value());
}

TEST(Latin1, BothWaysAndRefusals)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(Utf8ToLatin1(Latin1ToUtf8(all), back));
    EXPECT_EQ(back, all);
    EXPECT_FALSE(Utf8ToLatin1("A\xE2\x82\xAC", back)); // euro sign
    EXPECT_EQ(back, "A");
    EXPECT_FALSE(Utf8ToLatin1("\xC3", back)); // cut sequence
    EXPECT_FALSE(Utf8ToLatin1("\xE9", back)); // a Latin-1 byte is not UTF-8
    EXPECT_EQ(Utf8Length("h\xC3\xA9llo"), 5u);
    EXPECT_EQ(Utf8Prefix("h\xC3\xA9llo", 2), "h\xC3\xA9");
}

struct ParseCase {
    const char* text;
    std::uint32_t value;
};

class Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parse, UnsignedAuto)
{
    EXPECT_EQ(ParseUnsignedAuto(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, Parse,
                         ::testing::Values(ParseCase{"0x1A", 26}, ParseCase{"0X1A", 26},
                                           ParseCase{"1A", 1}, ParseCase{"AB", 0}, ParseCase{"", 0},
                                           ParseCase{"  42", 42}, ParseCase{"+7", 7},
                                           ParseCase{"-1", 0xFFFFFFFF},
                                           ParseCase{"4294967295", 0xFFFFFFFF},
                                           ParseCase{"99999999999", 0xFFFFFFFF}, ParseCase{"0x", 0},
                                           ParseCase{"0xG", 0}, ParseCase{" 0x10", 0},
                                           ParseCase{"12abc", 12}));


// Strict reading: what a typo, an unset shell variable or a value out of range would have
// written as 0 or as wrapped bits is refused with the reason.
struct StrictCase {
    const char* text;
    ViewType viewType;
    std::optional<std::uint32_t> bits;
    const char* reason; // a part of the refusal
};
class Strict : public ::testing::TestWithParam<StrictCase> {};
TEST_P(Strict, WholeTextOrRefused)
{
    const StrictCase& c = GetParam();
    const ValueTextReading reading = ReadValueText(c.text, c.viewType);
    EXPECT_EQ(reading.bits, c.bits);
    EXPECT_NE(reading.error.find(c.reason), std::string::npos) << reading.error;
}
INSTANTIATE_TEST_SUITE_P(
    Texts, Strict,
    ::testing::Values(
        StrictCase{"12.5", FLOAT, 0x41480000, ""}, StrictCase{"-0.5", FLOAT, 0xBF000000, ""},
        StrictCase{" 12.5 ", FLOAT, std::nullopt, "blanks or line ends around"},
        StrictCase{"5 ", INT16, std::nullopt, "blanks or line ends around"},
        StrictCase{"5\n", UINT16, std::nullopt, "blanks or line ends around"},
        StrictCase{"\t0x10", HEX16, std::nullopt, "blanks or line ends around"},
        StrictCase{"nan", FLOAT, 0x7FC00000, ""}, StrictCase{"-inf", FLOAT, 0xFF800000, ""},
        StrictCase{"1e39", FLOAT, std::nullopt, "range"},
        StrictCase{"12,5", FLOAT, std::nullopt, "not a decimal number"},
        StrictCase{".", FLOAT, std::nullopt, "not a decimal"},
        StrictCase{"-", FLOAT, std::nullopt, "not a decimal"},
        StrictCase{"", FLOAT, std::nullopt, "no value"},
        StrictCase{"   ", INT16, std::nullopt, "no value"},
        StrictCase{"-32768", INT16, 0xFFFF8000, ""}, StrictCase{"+7", INT16, 7, ""},
        StrictCase{"32768", INT16, std::nullopt, "outside -32768..32767"},
        StrictCase{"1e3", INT16, std::nullopt, "not a whole decimal"},
        StrictCase{"12.5", INT32, std::nullopt, "not a whole decimal"},
        StrictCase{"+-5", INT32, std::nullopt, "not a whole decimal"},
        StrictCase{"-2147483648", INT32, 0x80000000, ""},
        StrictCase{"99999999999999999999", INT32, std::nullopt, "outside"},
        StrictCase{"65535", UINT16, 0xFFFF, ""},
        StrictCase{"-1", UINT16, std::nullopt, "outside 0..65535"},
        StrictCase{"4294967296", UINT32, std::nullopt, "outside"},
        StrictCase{"0x12", UINT32, std::nullopt, "not a whole decimal"},
        StrictCase{"0xFF", BYTE_LOW, 0xFF, ""}, StrictCase{"fe", BYTE_HIGH, 0xFE, ""},
        StrictCase{"100", BYTE_LOW, std::nullopt, "more than FF"},
        StrictCase{"12.5", HEX16, std::nullopt, "not a hexadecimal"},
        StrictCase{"0x", HEX16, std::nullopt, "not a hexadecimal"},
        StrictCase{"-1", HEX32, std::nullopt, "not a hexadecimal"},
        StrictCase{"1FFFFFFFF", HEX32, std::nullopt, "more than FFFFFFFF"},
        StrictCase{"DEADBEEF", HEX32, 0xDEADBEEF, ""},
        StrictCase{"abc", ASCII, std::nullopt, "text"}));

} // namespace

// The POD reads and writes by its access width; a view type whose words and bits disagree
// with the width its wire type travels as would read one word and show two.
TEST(ViewTypeTraits, EveryTypeTravelsAtTheWidthOfItsBits)
{
    for (int i = 0; i < monitor::kViewTypeCount; ++i) {
        const auto viewType = static_cast<monitor::ViewType>(i);
        const monitor::ViewTypeTraits& traits = monitor::TraitsOf(viewType);
        SCOPED_TRACE(traits.name);
        if (viewType == monitor::ASCII) continue; // travels word by word as HEX16
        const int width = pod::AccessWidthForView(traits.wire);
        EXPECT_EQ(width, traits.mask == 0xFFu          ? (viewType == monitor::BYTE_HIGH ? 1 : 0)
                         : traits.mask == 0xFFFFu ? 2
                                                  : 3);
        EXPECT_EQ(traits.words, traits.mask == 0xFFFFFFFFu ? 2 : 1);
        EXPECT_EQ(monitor::IsTwoWordViewType(viewType), traits.words == 2);
    }
}
