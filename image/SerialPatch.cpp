#include "image/SerialPatch.h"

#include <charconv>
#include <cstdio>

namespace image {

std::optional<SerialPlace> ParseSerialPlace(const std::string& text, std::string& error)
{
    const std::size_t colon = text.rfind(':');
    std::string address = text.substr(0, colon);
    const std::string words = colon == std::string::npos ? "" : text.substr(colon + 1);
    int base = 10;
    if (address.starts_with("0x") || address.starts_with("0X")) {
        address.erase(0, 2);
        base = 16;
    }
    SerialPlace place;
    const auto [addressEnd, addressError] =
        std::from_chars(address.data(), address.data() + address.size(), place.address, base);
    const auto [wordsEnd, wordsError] =
        std::from_chars(words.data(), words.data() + words.size(), place.words);
    if (colon == std::string::npos || address.empty() || addressError != std::errc{} ||
        addressEnd != address.data() + address.size() || words.empty() ||
        wordsError != std::errc{} || wordsEnd != words.data() + words.size()) {
        error = "'" + text + "' is not ADDR:WORDS (for example 0x1F00:2)";
        return std::nullopt;
    }
    if (place.words < 1 || place.words > 4) {
        error = "a serial number takes 1 to 4 words, not " + words;
        return std::nullopt;
    }
    return place;
}

std::string SeriesName(const SerialPlace& place)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%06X:%d", place.address, place.words);
    return text;
}

std::optional<WordPatch> SerialPatch(const SerialPlace& place, std::uint64_t number)
{
    if (place.words < 1 || place.words > 4) return std::nullopt;
    if (place.words < 4 && number >> (16 * place.words) != 0) return std::nullopt;
    WordPatch patch{place.address, {}};
    for (int i = 0; i < place.words; ++i)
        patch.words.push_back(static_cast<std::uint16_t>(number >> (16 * i)));
    return patch;
}

} // namespace image
