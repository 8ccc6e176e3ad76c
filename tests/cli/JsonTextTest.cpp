#include <gtest/gtest.h>

#include <string>

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

} // namespace
