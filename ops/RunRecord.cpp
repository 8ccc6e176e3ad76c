#include "ops/RunRecord.h"

#include "ops/ElapsedText.h"

#include "image/McuCatalog.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace ops {


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
    line += "  " + SecondsText(record.elapsedMs);
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

std::string UtcTimestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(ms));
    return text;
}

const char* OperationName(OperationMode mode)
{
    switch (mode) {
    case OperationMode::TargetVerify: return "target verify";
    case OperationMode::TargetWrite: return "target write";
    case OperationMode::TargetWriteVerify: return "target write & verify";
    case OperationMode::PodVerify: return "pod verify";
    case OperationMode::PodWrite: return "pod write";
    case OperationMode::PodWriteVerify: return "pod write & verify";
    }
    return "";
}

} // namespace ops
