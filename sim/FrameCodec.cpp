#include "sim/FrameCodec.h"

#include "sim/HexText.h"

namespace sim {

FrameError ParseCommandFrame(std::string_view frame, std::string& payload)
{
    if (frame.size() > kMaxFrameBytes) {
        return FrameError::kTooLong;
    }
    // ':' + at least the two opcode digits + two checksum digits + CR.
    if (frame.size() < 6 || frame.front() != ':' || frame.back() != '\r') {
        return FrameError::kSyntax;
    }
    const std::string_view body = frame.substr(1, frame.size() - 2);
    const std::string_view digits = body.substr(0, body.size() - 2);
    if (digits.size() % 2 != 0) {
        return FrameError::kSyntax;
    }
    for (char c : body) {
        if (!IsUpperHexDigit(c)) {
            return FrameError::kSyntax;
        }
    }
    std::size_t pos = digits.size();
    std::uint32_t sent = 0;
    if (!ReadHexField(body, pos, 2, sent)) {
        return FrameError::kSyntax;
    }
    if (sent != PayloadChecksum(digits)) {
        return FrameError::kChecksum;
    }
    payload.assign(digits);
    return FrameError::kNone;
}

std::string FormatReplyFrame(std::string_view payload)
{
    std::string out;
    out.reserve(payload.size() + 4);
    out.push_back(':');
    out.append(payload);
    AppendHex(out, PayloadChecksum(payload), 2);
    out.push_back('\r');
    return out;
}

std::string FormatErrorFrame(unsigned code, std::size_t length)
{
    if (length < 6) {
        length = 6;
    }
    std::string payload;
    AppendHex(payload, code & 0xFFu, 2);
    payload.append(length - 6, '0');
    std::string out = "?";
    out.append(payload);
    AppendHex(out, PayloadChecksum(payload), 2);
    out.push_back('\r');
    return out;
}

}  // namespace sim
