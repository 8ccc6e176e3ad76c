#pragma once

#include "image/RunChoices.h"

#include <cstdint>
#include <optional>
#include <string>

namespace image {

// Where each unit's serial number goes: a word address as the S file gives it, and 1 to
// 4 words.
struct SerialPlace {
    std::uint32_t address = 0;
    int words = 0;
};

// "ADDR:WORDS", ADDR in hex with 0x or in decimal ("0x1F00:2"); the reason when it is not
// one.
std::optional<SerialPlace> ParseSerialPlace(const std::string& text, std::string& error);

// The counter a place takes its numbers from, the same text on every station:
// "0x001F00:2".
std::string SeriesName(const SerialPlace& place);

// The number as the place's words, low word first as the 56800 keeps a long; none when
// it does not fit.
std::optional<WordPatch> SerialPatch(const SerialPlace& place, std::uint64_t number);

} // namespace image
