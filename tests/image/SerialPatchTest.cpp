#include "image/ImagePatch.h"
#include "image/SerialPatch.h"

#include <gtest/gtest.h>

namespace {

TEST(SerialPatch, PlacesAreParsedOrRefusedWithTheReason)
{
    struct Case {
        const char* text;
        std::uint32_t address;
        int words;
        const char* error;
    };
    const Case cases[] = {
        {"0x1F00:2", 0x1F00, 2, ""},
        {"0X1f00:1", 0x1F00, 1, ""},
        {"7936:4", 7936, 4, ""},
        {"0x1F00", 0, 0, "'0x1F00' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x1F00:", 0, 0, "'0x1F00:' is not ADDR:WORDS (for example 0x1F00:2)"},
        {":2", 0, 0, "':2' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x:2", 0, 0, "'0x:2' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x1G00:2", 0, 0, "'0x1G00:2' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x1F00:2x", 0, 0, "'0x1F00:2x' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x100000000:2", 0, 0, "'0x100000000:2' is not ADDR:WORDS (for example 0x1F00:2)"},
        {"0x1F00:0", 0, 0, "a serial number takes 1 to 4 words, not 0"},
        {"0x1F00:5", 0, 0, "a serial number takes 1 to 4 words, not 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto place = image::ParseSerialPlace(c.text, error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(place.has_value(), *c.error == '\0');
        if (place) {
            EXPECT_EQ(place->address, c.address);
            EXPECT_EQ(place->words, c.words);
        }
    }
    EXPECT_EQ(image::SeriesName({0x1F00, 2}), "0x001F00:2");
}

TEST(SerialPatch, NumbersGoLowWordFirstAndMustFit)
{
    struct Case {
        int words;
        std::uint64_t number;
        std::vector<std::uint16_t> expected; // empty: does not fit
    };
    const Case cases[] = {
        {1, 0, {0x0000}},
        {1, 0xFFFF, {0xFFFF}},
        {1, 0x10000, {}},
        {2, 0x12345678, {0x5678, 0x1234}},
        {2, 0x100000000ull, {}},
        {3, 0xFFFFFFFFFFFFull, {0xFFFF, 0xFFFF, 0xFFFF}},
        {4, 0xFFFFFFFFFFFFFFFFull, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.number) + " in " + std::to_string(c.words));
        const auto patch = image::SerialPatch({0x100, c.words}, c.number);
        ASSERT_EQ(patch.has_value(), !c.expected.empty());
        if (patch) {
            EXPECT_EQ(patch->address, 0x100u);
            EXPECT_EQ(patch->words, c.expected);
        }
    }
}

// MC56F8367 (27): P1FLASH 0x000000..0x01FFFF in the program space, DFLASH 0x4000..0x7FFF
// in the data space, which its S files raise by 0x2000000: the same number names a
// program word, and only the raised one a data word.
TEST(ImagePatch, OnlyAWholeFitInATickedRegionIsTaken)
{
    const int part = 27;
    const image::McuRecord& mcu = image::RecordFor(part);
    const std::uint32_t dflash = mcu.first[image::kDflash] + image::DataSpaceOffset(part);
    const std::array<bool, 4> p1Only = {false, false, true, false};
    const std::array<bool, 4> all = {true, true, true, true};
    EXPECT_EQ(image::PatchRegion(part, p1Only, 0, 2), image::kP1flash);
    EXPECT_EQ(image::PatchRegion(part, p1Only, mcu.last[image::kP1flash] - 1, 2), image::kP1flash);
    EXPECT_EQ(image::PatchRegion(part, p1Only, mcu.last[image::kP1flash], 2), -1); // straddles the end
    EXPECT_EQ(image::PatchRegion(part, all, mcu.first[image::kDflash], 1), image::kP1flash);
    EXPECT_EQ(image::PatchRegion(part, p1Only, dflash, 1), -1); // not ticked
    EXPECT_EQ(image::PatchRegion(part, all, dflash, 1), image::kDflash);
    EXPECT_EQ(image::PatchRegion(part, all, 0, 0), -1);
    EXPECT_EQ(image::PatchRegion(99, all, 0, 1), -1);
    EXPECT_EQ(image::PatchRefusal(part, {}, {0x10, {1}}),
              "0x000010..0x000010 lies in no ticked region (none is ticked)");
    EXPECT_EQ(image::PatchRefusal(part, {true, false, false, false}, {0x4000, {1}}),
              "0x004000..0x004000 lies in no ticked region (DFLASH 0x2004000..0x2007FFF)");

    image::FlashImageSet images;
    image::ApplyPatch(part, all, {dflash + 4, {0xAAAA, 0xBBBB}}, images);
    EXPECT_EQ(images.image(image::kDflash)[4], 0xAAAA);
    EXPECT_EQ(images.image(image::kDflash)[5], 0xBBBB);
    EXPECT_EQ(images.programmedLength(image::kDflash), 6u); // the transfer covers it
}

} // namespace
