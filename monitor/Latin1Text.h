#pragma once

#include <string>
#include <string_view>

namespace monitor {

// The target, the map file and the .Mon file hold single-byte text; one byte is one
// Latin-1 character. Inside the program, text is UTF-8.

// Every byte becomes the character of the same code.
std::string Latin1ToUtf8(std::string_view latin1);
// False when the text holds a character above U+00FF or is not valid UTF-8; `latin1` then
// holds the bytes converted before the offending character.
bool Utf8ToLatin1(std::string_view utf8, std::string& latin1);
// Number of characters of a UTF-8 text (a malformed byte counts as one character).
std::size_t Utf8Length(std::string_view utf8);
// The first `count` characters of a UTF-8 text.
std::string Utf8Prefix(std::string_view utf8, std::size_t count);

} // namespace monitor
