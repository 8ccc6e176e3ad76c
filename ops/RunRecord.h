#pragma once

#include "ops/OperationMode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ops {

// One flash run as a production line traces it: when, on which POD, which part and file
// (with the file's CRC-32, so that a changed file on the same path shows), the words of
// each ticked region, the result and the time it took.
struct RunRecord {
    std::string startedAt;                // local time, "2024-05-17 14:03:07"
    std::string startedUtc;               // "2024-05-17T12:03:07.250Z"
    std::string endedUtc;
    OperationMode mode = OperationMode::TargetWriteVerify;
    std::string podSerial;                // empty when the POD was not reached
    std::string part;                     // "MC56F8367"
    std::string file;                     // the S file path as given
    std::optional<std::uint32_t> fileCrc; // none when the file could not be read
    std::string fileSha256;               // empty when the file could not be read
    std::array<bool, 4> regions{};        // ticked, DFLASH..P2FLASH
    std::array<std::uint32_t, 4> wordsSent{};
    // What each ticked region's image holds once loaded (and serialized): the words a
    // transfer covers from the region's first address, and their CRC-32. Empty until
    // the S file was loaded.
    std::array<std::optional<std::uint32_t>, 4> imageCrc{};
    std::array<std::uint32_t, 4> imageWords{};
    bool ok = false;
    bool interrupted = false; // stopped on request before its end
    std::string message;      // the final status text
    std::string reason;  // why the failing command failed; empty on success or when unknown
    std::uint32_t elapsedMs = 0;
};

// The record as one tab-free line:
// "2024-05-17 14:03:07  POD QBSIM001  MC56F8367  demo.s  CRC-32 1A2B3C4D
//  DFLASH 40, BFLASH 64, P1FLASH 260  ok  Success to ... (1.23 sec)  1.23 s"; a failure's
// reason follows its status text after a colon; "FAILED" or "INTERRUPTED" stands for "ok".
std::string RunLogLine(const RunRecord& record);

// The local time now, as RunRecord::startedAt holds it.
std::string LocalTimestamp();
// The time now in UTC to the millisecond, ISO 8601 with its Z, as RunRecord::startedUtc
// holds it: text order is time order, so stores and queries compare it as text.
std::string UtcTimestamp();

// "target write & verify", "pod verify", ...: how a record names the operation.
const char* OperationName(OperationMode mode);

} // namespace ops
