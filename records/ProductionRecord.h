#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace records {

// What a region of a run programmed: the words sent, and the words and CRC-32 of the
// image the run was to leave there (the S file's words with the serial number).
struct RegionFigures {
    bool ticked = false;
    std::uint32_t wordsProgrammed = 0;
    std::uint32_t imageWords = 0;
    std::optional<std::uint32_t> crc32; // none when the image was never loaded
};

// One unit's run as a production line traces it, the same in every store.
struct ProductionRecord {
    std::string runId;   // a UUID of its own
    std::string batchId; // the UUID shared by every record of one command
    std::string station;
    std::string operatorName;
    std::string unitId; // the board's barcode or number; empty when none was given
    std::string podSerial;
    std::string part;
    std::string sFile;
    std::string sFileSha256; // empty when the file could not be read
    std::array<RegionFigures, 4> regions{};
    std::string mode;   // "target write & verify", ...
    std::string result; // "ok", "failed" or "interrupted"
    std::string message;
    std::string reason;
    bool interrupted = false;
    std::string startedUtc; // "2026-12-08T07:05:03.123Z"
    std::string endedUtc;
    std::uint32_t elapsedMs = 0;
    std::string toolVersion;
    bool emulated = false;
    std::optional<std::uint64_t> serialNumber; // written into the unit
    int attempt = 1;                            // 2 for the first --retry, ...

    bool ok() const { return result == "ok"; }
};

// Which records a query returns; every field given narrows it.
struct RecordFilter {
    std::optional<std::string> unitId;
    std::optional<std::string> since; // UTC, compared with startedUtc as text
    std::optional<std::string> station;
    bool failedOnly = false;
    // Only each unit's newest record (what --rerun-failed asks about).
    bool lastPerUnit = false;
};

} // namespace records
