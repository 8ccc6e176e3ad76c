// Where a text lies in the target's words, and what a read or a write of it touches.
#include "monitor/TextSpan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace monitor;
using W = std::vector<std::uint16_t>;

TEST(TextSpan, TypedFromTheBytesUntypedFromTheDataSize)
{
    struct Case {
        std::int32_t sizeWords;
        ByteExtent extent;
        std::uint8_t lane;
        std::uint32_t bytes, room, words;
    };
    const Case cases[] = {
        {5, {}, 0, 6, 5, 3},             // untyped: half the Data Size in words, rounded up
        {4, {}, 0, 4, 4, 2},
        {0, {}, 0, 0, 0, 0},
        {-3, {}, 0, 0, 0, 0},
        {16, {0, 32}, 0, 32, 32, 16},    // char[32]: all 32 bytes, not 15 characters
        {31, {0, 61}, 0, 61, 61, 31},
        {7, {1, 12}, 1, 12, 12, 7},      // from a high byte: one word more
        {2049, {1, 4096}, 1, 4096, 4096, 2049},
        {INT32_MAX, {0, 0xFFFFFFFFu}, 0, kMaxTextBytes, kMaxTextBytes, 2048},
        {100000, {}, 0, kMaxTextBytes, kMaxTextBytes, 2048},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sizeWords) + " words, lane " + std::to_string(c.extent.lane) +
                     ", " + std::to_string(c.extent.bytes) + " bytes");
        const TextSpan span = TextSpanOf(c.sizeWords, c.extent);
        EXPECT_EQ(span.lane, c.lane);
        EXPECT_EQ(span.bytes, c.bytes);
        EXPECT_EQ(span.room, c.room);
        EXPECT_EQ(TextWordCount(span), c.words);
    }
}

TEST(TextSpan, ReadTakesOnlyTheSpansBytesUpToTheFirstZero)
{
    struct Case {
        W words;
        TextSpan span;
        std::string text;
    };
    const Case cases[] = {
        {{0x0041}, {0, 2, 2}, "A"},
        {{0x4241, 0x0043, 0x4545}, {0, 6, 6}, "ABC"},
        {{0x4100}, {0, 2, 2}, ""},
        {{0x4241, 0x4443}, {0, 4, 4}, "ABCD"},          // no zero: the span ends it
        {{0xFFE9}, {0, 2, 2}, "\xC3\xA9\xC3\xBF"},     // é and ÿ, not sign-extended
        {{0x487A, 0x4C45, 0x4F4C, 0x7A00}, {1, 6, 6}, "HELLO"}, // 'z' bytes are the neighbours'
        {{0x487A, 0x4C45, 0x4F4C}, {1, 5, 5}, "HELLO"}, // from a high byte, no zero
        {{0x4241, 0x4443}, {0, 3, 3}, "ABC"},           // the byte after the span is not text
        {{0x4241}, {0, 4, 4}, "AB"},                    // fewer words read than the span
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextFromWords(c.words, c.span), c.text);
    }
}

TEST(TextSpan, FitKeepsRoomForTheTerminatingZero)
{
    const TextSpan eight{0, 8, 8};
    EXPECT_EQ(FitText("ABCDEFGHIJ", eight), "ABCDEFG");
    EXPECT_EQ(FitText("ABC", eight), "ABC");
    EXPECT_EQ(FitText("ABCDEFG", eight), "ABCDEFG");
    EXPECT_EQ(FitText("\xC3\xA9\xC3\xA9\xC3\xA9", {0, 4, 3}), "\xC3\xA9\xC3\xA9"); // characters, not bytes
    EXPECT_EQ(FitText("A", {}), "");
}

TEST(TextSpan, WriteWordsTouchOnlyTheItemsBytes)
{
    struct Case {
        std::string latin1;
        TextSpan span;
        W words;
        bool firstHighOnly, lastLowOnly;
    };
    const Case cases[] = {
        // Untyped, as the Data Size has always bounded them.
        {"AB", TextSpanOf(5, {}), {0x4241, 0x0000}, false, false},
        {"ABC", TextSpanOf(8, {}), {0x4241, 0x0043}, false, false},
        {"ABCD", TextSpanOf(4, {}), {0x4241, 0x0043}, false, false}, // cut: the zero still fits
        {"ABCDEF", TextSpanOf(3, {}), {0x4241, 0x0000}, false, false},
        {"", TextSpanOf(6, {}), {0x0000}, false, false},
        {"AB", TextSpanOf(0, {}), {}, false, false},
        {"\xE9", TextSpanOf(2, {}), {0x00E9}, false, false},
        // char[6] from a high byte: the first word's low byte and the last word's high
        // byte are the neighbours'.
        {"HELLO", TextSpanOf(4, {1, 6}), {0x4800, 0x4C45, 0x4F4C, 0x0000}, true, true},
        {"HI", TextSpanOf(4, {1, 6}), {0x4800, 0x0049}, true, false},
        // char[5] from a low byte: the zero ends in a low byte, the high byte after it is
        // a neighbour's.
        {"ABCD", TextSpanOf(3, {0, 5}), {0x4241, 0x4443, 0x0000}, false, true},
        // A zero inside the item clears the byte beside it, as the text's own.
        {"A", TextSpanOf(4, {0, 8}), {0x0041}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.latin1 + "' lane " + std::to_string(c.span.lane) + ", " +
                     std::to_string(c.span.bytes) + " bytes");
        const TextWords text = TextWordsOf(c.latin1, c.span);
        EXPECT_EQ(text.words, c.words);
        EXPECT_EQ(text.firstHighOnly, c.firstHighOnly);
        EXPECT_EQ(text.lastLowOnly, c.lastLowOnly);
    }
    const W longest = TextWordsOf(std::string(5000, 'x'), TextSpanOf(100000, {})).words;
    ASSERT_EQ(longest.size(), 2048u); // 4096 bytes, the last one the zero
    EXPECT_EQ(longest.back(), 0x0078);
}

} // namespace
