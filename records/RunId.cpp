#include "records/RunId.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>

namespace records {

std::string NewRunId()
{
    // Every id straight from the system's entropy (/dev/urandom, Windows' rand_s): ids of
    // two stations, or of two processes started in the same instant, must not meet, and a
    // record takes one id only.
    std::random_device entropy;
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t r = entropy();
        for (std::size_t j = 0; j < 4; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(r >> (j * 8));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    std::string text;
    char hex[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

} // namespace records
