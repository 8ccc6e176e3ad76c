#pragma once

// A full-chip MC56F8367 S file: all four regions full, 32 words per S3 record (about
// 1.3 MB), the largest file the programmer meets in practice. Shared by the benchmarks.

#include "image/McuCatalog.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

inline void AppendRecord(std::string& out, std::uint32_t address, const std::uint16_t* words,
                         int count)
{
    char hex[8];
    const unsigned byteCount = 4 + 2 * static_cast<unsigned>(count) + 1;
    unsigned sum = byteCount;
    std::snprintf(hex, sizeof hex, "S3%02X", byteCount);
    out += hex;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned b = (address >> shift) & 0xFF;
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += hex;
        sum += b;
    }
    for (int i = 0; i < count; ++i) {
        const unsigned lo = words[i] & 0xFF;
        const unsigned hi = words[i] >> 8;
        std::snprintf(hex, sizeof hex, "%02X%02X", lo, hi);
        out += hex;
        sum += lo + hi;
    }
    std::snprintf(hex, sizeof hex, "%02X\n", (~sum) & 0xFF);
    out += hex;
}

inline std::string FullChipSFile()
{
    const image::McuRecord& r = image::RecordFor(27);
    std::string text = "S0030000FC\n";
    std::uint16_t words[32];
    for (int region = 0; region < image::kRegionCount; ++region) {
        const std::uint32_t raise = region == image::kDflash ? image::DataSpaceOffset(27) : 0;
        for (std::uint32_t a = r.first[region]; a <= r.last[region]; a += 32) {
            for (int i = 0; i < 32; ++i) {
                words[i] =
                    static_cast<std::uint16_t>((a + static_cast<unsigned>(i)) * 2654435761u >> 16);
            }
            AppendRecord(text, a + raise, words, 32);
        }
    }
    text += "S70500000000FA\n";
    return text;
}

} // namespace bench
