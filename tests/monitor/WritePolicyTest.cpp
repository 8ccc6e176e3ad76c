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

TypedRow Field(std::uint16_t lsb, std::uint16_t width, bool isSigned, std::vector<elf::Enumerator> names = {})
{
    TypedRow field;
    field.path = "REG.F";
    field.address = 0x143;
    field.sizeBytes = 2;
    field.viewType = UINT16;
    field.bits = BitField{lsb, width};
    field.isSigned = isSigned;
    field.enumerators = std::move(names);
    return field;
}

// A bit field takes a whole number within its width (or its enumerator's name) and goes
// into its own bits of the word; anything else is refused naming the bits.
TEST(WritePolicy, ABitFieldTakesWhatFitsItsBits)
{
    const TypedRow flag = Field(15, 1, false);
    const TypedRow level = Field(4, 3, true);
    const TypedRow mode = Field(0, 2, false, {{"MODE_STOP", 0}, {"MODE_RUN", 1}});
    const struct {
        const TypedRow* field;
        const char* text;
        std::optional<std::uint32_t> value; // the field's bits sent; nullopt when refused
        const char* refusal;
    } cases[] = {
        {&flag, "1", 1u, ""},
        {&flag, "2", std::nullopt, "cannot write to REG.F (bit 15 of 0x000143): 2 is outside 0 to 1"},
        {&flag, "-1", std::nullopt, "cannot write to REG.F (bit 15 of 0x000143): -1 is outside 0 to 1"},
        {&level, "-4", 4u, ""},
        {&level, "0x3", 3u, ""},
        {&level, "-5", std::nullopt, "cannot write to REG.F (bits 6..4 of 0x000143): -5 is outside -4 to 3"},
        {&level, "x", std::nullopt, "cannot write to REG.F (bits 6..4 of 0x000143): 'x' is not a whole number"},
        {&level, " 1", std::nullopt, "cannot write to REG.F (bits 6..4 of 0x000143): ' 1' is not a whole number"},
        {&mode, "MODE_RUN", 1u, ""},
        {&mode, "1 (MODE_RUN)", 1u, ""},
        {&mode, "0", 0u, ""},
        {&mode, "2", std::nullopt,
         "cannot write to REG.F (bits 1..0 of 0x000143): '2' is none of MODE_STOP (0), MODE_RUN (1)"},
        {&mode, "0 (MODE_RUN)", std::nullopt,
         "cannot write to REG.F (bits 1..0 of 0x000143): '0 (MODE_RUN)' is none of MODE_STOP (0), MODE_RUN (1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const WritePlan plan = PrepareWrite({"REG.F", 0x143, UINT16, 1, c.field}, c.text);
        EXPECT_EQ(plan.refusal, c.refusal);
        ASSERT_EQ(plan.request.has_value(), c.value.has_value());
        if (!plan.request) continue;
        EXPECT_EQ(plan.request->value, *c.value);
        EXPECT_EQ(plan.request->fieldLsb, c.field->bits->lsb);
        EXPECT_EQ(plan.request->fieldWidth, c.field->bits->width);
        EXPECT_EQ(plan.request->viewType, UINT16);
    }
    EXPECT_EQ(PrepareFloatWrite({"REG.F", 0x143, UINT16, 1, &level}, 1.0, "1.0").refusal,
              "cannot write to REG.F (bits 6..4 of 0x000143): give a whole number");
}

// An enum read with its own view type takes its enumerators' names and numbers; shown
// as another type it takes what that type takes.
TEST(WritePolicy, AnEnumTakesItsEnumerators)
{
    TypedRow mode;
    mode.path = "mode";
    mode.viewType = UINT16;
    mode.enumerators = {{"MODE_STOP", 0}, {"MODE_RUN", 3}};
    const struct {
        ViewType view;
        const char* text;
        std::optional<std::uint32_t> value;
    } cases[] = {
        {UINT16, "MODE_RUN", 3u}, {UINT16, "3", 3u},           {UINT16, "3 (MODE_RUN)", 3u},
        {UINT16, "2", std::nullopt}, {UINT16, "MODE_GO", std::nullopt}, {UINT16, "", std::nullopt},
        {HEX16, "2", 2u},         {HEX16, "MODE_RUN", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const WritePlan plan = PrepareWrite({"mode", 0x14C, c.view, 1, &mode}, c.text);
        EXPECT_EQ(plan.request ? std::optional(plan.request->value) : std::nullopt, c.value) << plan.refusal;
    }
    EXPECT_EQ(PrepareWrite({"mode", 0x14C, UINT16, 1, &mode}, "2").refusal,
              "cannot write to mode as UINT16: '2' is none of MODE_STOP (0), MODE_RUN (3)");
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
