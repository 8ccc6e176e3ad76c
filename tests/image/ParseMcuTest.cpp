// How users name a part wherever they choose one (--mcu, --sim-mcu).
#include <gtest/gtest.h>

#include "image/McuCatalog.h"

#include <optional>
#include <string>

namespace {

TEST(ParseMcu, NamesInAnyLetterCaseAndDecimalIndexes)
{
    struct Case {
        const char* text;
        std::optional<int> type;
    };
    const Case cases[] = {
        {"MC56F8367", 27},
        {"mc56f8002", 7},
        {" DSP56F801 ", 0},
        {"Dsp56f827", 6},
        {"0", 0},
        {"27", 27},
        {"007", 7},
        {"28", std::nullopt},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"1000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"MC56F83", std::nullopt},
        {"7x", std::nullopt},
        {"0x1B", std::nullopt},
        {"MC56F8367X", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(image::ParseMcu(c.text), c.type) << '"' << c.text << '"';
}

TEST(ParseMcu, EveryPartIsFoundByItsOwnNameInLowerCase)
{
    for (int type = 0; type < image::kMcuCount; ++type) {
        std::string lower = image::RecordFor(type).name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(image::ParseMcu(lower), type) << lower;
        EXPECT_EQ(image::ParseMcu(std::to_string(type)), type);
    }
}

} // namespace
