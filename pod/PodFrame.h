#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pod {

// A frame is ':' + upper-case hex payload + two checksum digits + CR. The checksum is
// the 8-bit sum of the payload's character codes (not of the digit values). There is
// no length field and no escaping: ':' and CR delimit the frame.
inline constexpr char kFrameStart = ':';
inline constexpr char kFrameEnd = '\r';
// First byte of the POD's error reply: '?', two digits of its error code, padding
// digits, checksum, CR, as long as the success reply.
inline constexpr char kErrorFrameStart = '?';
// Frame length on top of the payload: start, two checksum digits, end.
inline constexpr std::size_t kFrameOverhead = 4;
// The POD's receive buffer and the host's scratch buffer hold 4096 bytes including a
// terminator, so no frame may be longer than this.
inline constexpr std::size_t kMaxPodFrameLength = 4095;

// The 8-bit sum of the payload's character codes.
std::uint8_t PodFrameChecksum(std::string_view payload);

// Wraps a payload into a frame. Refuses (false, frame untouched) when the frame would be
// longer than kMaxPodFrameLength.
bool BuildPodFrame(std::string_view payload, std::string& frame);

// The POD's digit rule: '0'..'9' give 0..9, 'a'..'f' give 10..15, and any other
// character its code minus 0x37, so 'A'..'F' give 10..15 (and a non-digit gives an
// odd value rather than an error, as the POD's replies are trusted).
int HexDigitValue(char digit);

// The strict rule, for text that must be checked: '0'..'9', 'a'..'f' and 'A'..'F' give
// 0..15, any other character -1.
int StrictHexDigitValue(char digit);
// Two characters, high digit first, each by HexDigitValue.
int ParseHexByte(const char* text);

} // namespace pod
