#include "ops/RunRecord.h"

#include "platform/Utf8Path.h"

#include "image/McuCatalog.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace ops {

namespace {

std::array<std::uint32_t, 256> CrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

} // namespace

std::string RunLogLine(const RunRecord& record)
{
    std::string line = record.startedAt;
    line += "  POD " + (record.podSerial.empty() ? std::string("-") : record.podSerial);
    line += "  " + record.part + "  " + record.file;
    char crc[24] = "CRC-32 -";
    if (record.fileCrc) std::snprintf(crc, sizeof crc, "CRC-32 %08X", *record.fileCrc);
    line += "  ";
    line += crc;
    std::string regions;
    for (int r = 0; r < image::kRegionCount; ++r) {
        if (!record.regions[static_cast<std::size_t>(r)]) continue;
        if (!regions.empty()) regions += ", ";
        regions += std::string(image::RegionName(r)) + ' ' +
                   std::to_string(record.wordsSent[static_cast<std::size_t>(r)]);
    }
    line += "  " + (regions.empty() ? std::string("no region") : regions);
    line += record.ok ? "  ok  " : record.interrupted ? "  INTERRUPTED  " : "  FAILED  ";
    line += record.message;
    if (!record.reason.empty()) line += ": " + record.reason;
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "  %u.%02u s", record.elapsedMs / 1000,
                  record.elapsedMs % 1000 / 10);
    line += elapsed;
    return line;
}

std::string LocalTimestamp()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::optional<std::uint32_t> FileCrc32(const std::string& path)
{
    static const std::array<std::uint32_t, 256> table = CrcTable();
    std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::uint32_t crc = 0xFFFFFFFFu;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            crc = table[(crc ^ static_cast<unsigned char>(buffer[i])) & 0xFF] ^ (crc >> 8);
    }
    if (in.bad()) return std::nullopt;
    return crc ^ 0xFFFFFFFFu;
}

} // namespace ops
