// The one rule every front end writes by: what is sent for a typed text or a number, and
// what is refused before anything goes to the target.
#include "monitor/WritePolicy.h"
#include "monitor/ValueText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace monitor;

struct TextCase {
    ViewType viewType;
    std::int32_t sizeWords;
    std::string text;
    std::optional<std::uint32_t> value;        // sent for a number view type
    std::vector<std::uint16_t> words;          // sent for ASCII
    std::string refusalStart;                  // empty when sent
};

TEST(WritePolicy, TextsAreReadStrictlyAndTextsWithoutALatin1ByteAreRefused)
{
    const TextCase cases[] = {
        {HEX16, 1, "0x1234", 0x1234u, {}, ""},
        {INT16, 1, "-2", 0xFFFFFFFEu, {}, ""}, // the wire keeps the low 16 bits
        {FLOAT, 2, "1.5", 0x3FC00000u, {}, ""},
        {INT16, 1, "40000", std::nullopt, {}, "cannot write to item as INT16: "},
        {UINT16, 1, "", std::nullopt, {}, "cannot write to item as UINT16: no value was given"},
        // A text fills the item with its zero: "HELLO" into 4 keeps "HEL" and the zero.
        {ASCII, 4, "HELLO", std::nullopt, {0x4548, 0x004C}, ""},
        // é has a Latin-1 byte and goes as it; the euro sign has none and is refused, never
        // sent as a stand-in character.
        {ASCII, 4, "h\xC3\xA9", std::nullopt, {0xE968, 0x0000}, ""},
        {ASCII, 4, "\xE2\x82\xAC", std::nullopt, {}, "cannot write '\xE2\x82\xAC' to item: "},
        // A size of 0 holds no text: refused, never "written" as nothing.
        {ASCII, 0, "hello", std::nullopt, {}, "cannot write 'hello' to item: it has no size"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(ViewTypeName(c.viewType)) + " '" + c.text + "'");
        const WritePlan plan = PrepareWrite({"item", 0x40, c.viewType, c.sizeWords, nullptr}, c.text);
        if (!c.refusalStart.empty()) {
            EXPECT_FALSE(plan.request);
            EXPECT_EQ(plan.refusal.rfind(c.refusalStart, 0), 0u) << plan.refusal;
            continue;
        }
        ASSERT_TRUE(plan.request) << plan.refusal;
        EXPECT_EQ(plan.request->address, 0x40u);
        EXPECT_EQ(plan.request->viewType, c.viewType);
        if (c.value) {
            EXPECT_EQ(plan.request->value, *c.value);
        } else {
            EXPECT_EQ(plan.request->text.words, c.words);
        }
    }
}

TEST(WritePolicy, ABitFieldIsRefusedWhateverTheValue)
{
    TypedRow field;
    field.path = "REG.RW";
    field.address = 0x143;
    field.bits = BitField{};
    const WriteTarget target{"REG.RW", 0x143, UINT16, 1, &field};
    for (const WritePlan& plan : {PrepareWrite(target, "1"), PrepareFloatWrite(target, 1.0, "1.0")}) {
        EXPECT_FALSE(plan.request);
        EXPECT_EQ(plan.refusal, BitFieldWriteRefusal(field));
    }
}

TEST(WritePolicy, ANumberForAFloatIsSentAsItsSingleWithinItsRange)
{
    const WriteTarget floatItem{"gain", 0x42, FLOAT, 2, nullptr};
    const WritePlan one = PrepareFloatWrite(floatItem, -1.0, "-1.0");
    ASSERT_TRUE(one.request);
    EXPECT_EQ(one.request->value, 0xBF800000u);
    EXPECT_EQ(PrepareFloatWrite(floatItem, 1e39, "1e+39").refusal,
              "cannot write to gain as FLOAT: 1e+39 is outside the range of FLOAT");
    EXPECT_FALSE(PrepareFloatWrite({"count", 0x40, INT16, 1, nullptr}, 1.0, "1.0").request);
}

} // namespace
