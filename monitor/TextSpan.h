#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

// The bytes of an object as the ELF gives them: where it starts in its first word (a char
// at an odd byte address lies in the word's high byte) and how many bytes it has. A map
// alone counts sizes in words and gives no bytes: `bytes` is then 0.
struct ByteExtent {
    std::uint8_t lane = 0; // 0 low byte, 1 high byte
    std::uint32_t bytes = 0;
};

// Where an ASCII item's text lies in the target, two characters a word, low byte first.
// Reads and writes touch `bytes` bytes from `lane` of the item's first word and nothing
// beside them: a word the text shares with a neighbour is written one byte at a time.
struct TextSpan {
    std::uint8_t lane = 0;
    std::uint32_t bytes = 0; // the item's bytes from there on
    std::uint32_t room = 0;  // characters a written text may take, its terminating zero included
};

// The most bytes one ASCII text spans: reading more word by word would hold the POD for
// seconds, and no text a user watches is that long.
inline constexpr std::uint32_t kMaxTextBytes = 4096;

// The span of an item of "Data Size" `sizeWords`. Typed by the ELF it is the array's own
// bytes, all of them. Untyped, the Data Size bounds the text: half as many words are read,
// and a text takes at most Data Size - 1 characters and its terminating zero.
TextSpan TextSpanOf(std::int32_t sizeWords, ByteExtent extent);
// Words a read of the whole span covers.
std::uint32_t TextWordCount(const TextSpan& span);
// The text (UTF-8) the words read from the item's address hold: the span's bytes up to
// the first zero byte. Bytes 0x80..0xFF are the Latin-1 characters of the same code, so a
// text written and read back is the same text.
std::string TextFromWords(std::span<const std::uint16_t> words, const TextSpan& span);
// What a Change Value keeps of a typed (UTF-8) text: all of it when it fits the span's
// room with its terminating zero, else its first room - 1 characters.
std::string FitText(std::string_view utf8, const TextSpan& span);

// The words a text write sends from the item's address on: the text's Latin-1 bytes and
// its terminating zero (and a zero after it that would share a word with it inside the
// item), two per word. The first and last words may hold only one byte of the item.
struct TextWords {
    std::vector<std::uint16_t> words;
    bool firstHighOnly = false; // word 0: only its high byte belongs to the text
    bool lastLowOnly = false;   // the last word: only its low byte belongs to the text
};
TextWords TextWordsOf(std::string_view latin1, const TextSpan& span);

} // namespace monitor
