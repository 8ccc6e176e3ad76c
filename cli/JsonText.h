#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace cli {

// The command line's JSON documents. Keys keep the order they are written in, so the
// output reads in the same order as the documentation lists the keys.
using Json = nlohmann::ordered_json;

// A text for a JSON string. Texts from the POD and from files are bytes: valid UTF-8 is
// kept as it is, every other byte is taken as the Latin-1 character it shows as on
// screen, so nothing is dropped and the JSON library never meets invalid UTF-8.
std::string JsonText(std::string_view bytes);

// The document as one line of compact JSON; characters beyond ASCII stay UTF-8.
std::string JsonLine(const Json& document);

} // namespace cli
