#include "monitor/TextSpan.h"

#include <algorithm>

#include "monitor/Latin1Text.h"

namespace monitor {

TextSpan TextSpanOf(std::int32_t sizeWords, ByteExtent extent)
{
    if (extent.bytes > 0) {
        const std::uint32_t bytes = std::min(extent.bytes, kMaxTextBytes);
        return {static_cast<std::uint8_t>(extent.lane & 1u), bytes, bytes};
    }
    if (sizeWords <= 0) return {};
    const auto size = std::min(static_cast<std::uint32_t>(sizeWords), kMaxTextBytes);
    return {0, size + size % 2, size};
}

std::uint32_t TextWordCount(const TextSpan& span)
{
    return (span.lane + span.bytes + 1) / 2;
}

std::string TextFromWords(std::span<const std::uint16_t> words, const TextSpan& span)
{
    std::string latin1;
    for (std::uint32_t at = span.lane; at < span.lane + span.bytes; ++at) {
        if (at / 2 >= words.size()) break;
        const std::uint16_t word = words[at / 2];
        const auto byte = static_cast<char>(at % 2 ? word >> 8 : word & 0xFFu);
        if (byte == 0) break;
        latin1 += byte;
    }
    return Latin1ToUtf8(latin1);
}

std::string FitText(std::string_view utf8, const TextSpan& span)
{
    if (span.room == 0) return {};
    if (Utf8Length(utf8) < span.room) return std::string(utf8);
    return Utf8Prefix(utf8, span.room - 1);
}

TextWords TextWordsOf(std::string_view latin1, const TextSpan& span)
{
    TextWords text;
    if (span.room == 0 || span.bytes == 0) return text;
    std::vector<unsigned char> bytes(latin1.begin(), latin1.begin() + std::min<std::size_t>(latin1.size(), span.room - 1));
    bytes.push_back(0);
    // The zero ends the text: a byte after it in the same word is cleared too when it is
    // the item's, and left alone when it is a neighbour's.
    const std::uint32_t end = span.lane + static_cast<std::uint32_t>(bytes.size());
    if (end % 2 != 0 && bytes.size() < span.bytes) bytes.push_back(0);
    const std::uint32_t last = span.lane + static_cast<std::uint32_t>(bytes.size()); // one past
    text.firstHighOnly = span.lane == 1;
    text.lastLowOnly = last % 2 != 0;
    text.words.assign((last + 1) / 2, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = span.lane + i;
        text.words[at / 2] |= static_cast<std::uint16_t>(at % 2 ? bytes[i] << 8 : bytes[i]);
    }
    return text;
}

} // namespace monitor
