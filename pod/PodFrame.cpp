#include "pod/PodFrame.h"

#include <cstdio>

namespace pod {

std::uint8_t PodFrameChecksum(std::string_view payload)
{
    std::uint8_t sum = 0;
    for (char c : payload)
        sum = static_cast<std::uint8_t>(sum + static_cast<unsigned char>(c));
    return sum;
}

bool BuildPodFrame(std::string_view payload, std::string& frame)
{
    if (payload.size() + kFrameOverhead > kMaxPodFrameLength) return false;
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X",
                  static_cast<unsigned>(PodFrameChecksum(payload)));
    frame.clear();
    frame.reserve(payload.size() + kFrameOverhead);
    frame += kFrameStart;
    frame += payload;
    frame += checksum;
    frame += kFrameEnd;
    return true;
}

int HexDigitValue(char digit)
{
    const int code = static_cast<unsigned char>(digit);
    if (code >= '0' && code <= '9') return code - '0';
    if (code >= 'a' && code <= 'f') return code - 'a' + 10;
    return code - 0x37;
}

int StrictHexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

int ParseHexByte(const char* text)
{
    return HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]);
}

} // namespace pod
