#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

// The POD firmware's side of the ASCII frame: ':' + upper-case hex payload + two hex
// digits of the 8-bit sum of the payload's character codes + CR.

// Longest frame the firmware buffers; the host never builds one longer than 4095 bytes.
constexpr std::size_t kMaxFrameBytes = 4096;

enum class FrameError {
    kNone,
    kSyntax,    // no ':' / CR, odd payload, or a character that is not upper-case hex
    kChecksum,  // the two checksum digits do not match the payload
    kTooLong,
};

// `frame` holds ':' ... CR. On kNone, `payload` receives the hex digits between ':' and
// the checksum.
FrameError ParseCommandFrame(std::string_view frame, std::string& payload);

// A success reply: ':' + payload + checksum + CR.
std::string FormatReplyFrame(std::string_view payload);

// An error reply of `length` bytes (at least 6): '?' + error code + zero padding +
// checksum + CR. It keeps the length of the success reply the host waits for, so the
// host sees the failure at once instead of waiting for missing bytes.
std::string FormatErrorFrame(unsigned code, std::size_t length);

}  // namespace sim
