#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/JsonText.h"

namespace {

TEST(JsonText, KeepsUtf8AndTakesEveryOtherByteAsLatin1)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"ASCII with controls", std::string("a\"b\\\n\x01\0", 7), std::string("a\"b\\\n\x01\0", 7)},
        {"Korean UTF-8", "\xEB\xAA\xA8\xEB\x8B\x88", "\xEB\xAA\xA8\xEB\x8B\x88"},
        {"Latin-1 \"\xE9t\xE9\"", "\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
        {"overlong NUL", "\xC0\x80", "\xC3\x80\xC2\x80"},
        {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"cut short", "\xE2\x82", "\xC3\xA2\xC2\x82"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
        {"byte 0xFF", "\xFF", "\xC3\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cli::JsonText(c.bytes), c.text);
        // The library takes the result as a string value and gives it back unchanged.
        const std::string line = cli::JsonLine(cli::Json{{"t", cli::JsonText(c.bytes)}});
        EXPECT_EQ(nlohmann::json::parse(line).at("t").get<std::string>(), c.text);
    }
}

TEST(JsonText, LinesAreCompactAndKeepTheKeysInTheirOrder)
{
    const cli::Json document = {{"ok", false}, {"message", "Can't \"find\""}, {"a", {1, 2}}};
    EXPECT_EQ(cli::JsonLine(document), R"({"ok":false,"message":"Can't \"find\"","a":[1,2]})");
}

// The catalogue as JSON, checked against the family rules the parts' data sheets give.
TEST(JsonOutput, McusFollowTheFamilies)
{
    const char* argv[] = {"quobin-cli", "mcus", "--json"};
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::RunCli(3, argv, out, err), 0) << err.str();
    const nlohmann::json parts = nlohmann::json::parse(out.str());
    ASSERT_EQ(parts.size(), 28u);
    const std::vector<std::string> regionNames = {"DFLASH", "BFLASH", "P1FLASH", "P2FLASH"};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const nlohmann::json& part = parts[i];
        SCOPED_TRACE(part.dump());
        EXPECT_EQ(part.at("index").get<std::size_t>(), i);
        const std::string name = part.at("name").get<std::string>();
        // DSP56F80x/82x (0..6), MC56F80xx (7..15), MC56F83xx (16..27).
        const std::uint32_t offset = i <= 6 ? 0x200000u : i <= 15 ? 0u : 0x2000000u;
        EXPECT_EQ(part.at("data_space_offset").get<std::uint32_t>(), offset);
        EXPECT_EQ(name.rfind(i <= 6 ? "DSP56F8" : i <= 15 ? "MC56F80" : "MC56F83", 0), 0u);
        ASSERT_EQ(part.at("regions").size(), 4u);
        for (std::size_t r = 0; r < 4; ++r) {
            const nlohmann::json& region = part.at("regions")[r];
            EXPECT_EQ(region.at("name"), regionNames[r]);
            const std::uint32_t page = region.at("page_words");
            if (!region.at("present").get<bool>()) {
                EXPECT_EQ(page, 0u);
                continue;
            }
            EXPECT_TRUE(page == 256 || page == 512 || page == 1024) << page;
            EXPECT_LT(region.at("first").get<std::uint32_t>(),
                      region.at("last").get<std::uint32_t>());
        }
        EXPECT_LE(part.at("ram1")[0].get<std::uint32_t>(), part.at("ram1")[1].get<std::uint32_t>());
        EXPECT_GT(part.at("loader_length").get<std::uint32_t>(), 0u);
    }
    EXPECT_EQ(parts[27].at("name"), "MC56F8367");
}

} // namespace
