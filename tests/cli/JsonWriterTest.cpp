#include <gtest/gtest.h>

#include "cli/JsonWriter.h"

namespace {

TEST(JsonWriter, NestsWithCommasInTheRightPlaces)
{
    cli::JsonWriter json;
    json.BeginObject();
    json.Key("a").Number(-1);
    json.Key("b")
        .BeginArray()
        .Unsigned(0x2000000)
        .Bool(true)
        .Null()
        .BeginArray()
        .EndArray()
        .EndArray();
    json.Key("c").BeginObject().EndObject();
    json.Key("d").String("x");
    json.EndObject();
    EXPECT_EQ(json.text(), R"({"a":-1,"b":[33554432,true,null,[]],"c":{},"d":"x"})");
}

TEST(JsonWriter, EscapesQuotesBackslashesAndControlCharacters)
{
    EXPECT_EQ(cli::JsonWriter::Escape("Can't \"find\" C:\\x"), R"("Can't \"find\" C:\\x")");
    EXPECT_EQ(cli::JsonWriter::Escape("a\nb\tc\r\b\f"), R"("a\nb\tc\r\b\f")");
    EXPECT_EQ(cli::JsonWriter::Escape(std::string("\x01\x1f\x00", 3)), R"("\u0001\u001f\u0000")");
    EXPECT_EQ(cli::JsonWriter::Escape("\x7f"), "\"\x7f\"");
}

TEST(JsonWriter, KeepsUtf8AndTakesOtherBytesAsLatin1)
{
    EXPECT_EQ(cli::JsonWriter::Escape("\xEB\xAA\xA8\xEB\x8B\x88"),
              "\"\xEB\xAA\xA8\xEB\x8B\x88\"");                             // Korean
    EXPECT_EQ(cli::JsonWriter::Escape("\xE9t\xE9"), R"("\u00e9t\u00e9")"); // Latin-1 "été"
    EXPECT_EQ(cli::JsonWriter::Escape("\xC0\x80"), R"("\u00c0\u0080")");   // overlong NUL
    EXPECT_EQ(cli::JsonWriter::Escape("\xED\xA0\x80"), R"("\u00ed\u00a0\u0080")"); // surrogate
    EXPECT_EQ(cli::JsonWriter::Escape("\xE2\x82"), R"("\u00e2\u0082")");           // cut short
}

} // namespace
