#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// What a fault is tied to: a command opcode 0x00..0xFF, or a boot-loader step.
constexpr int kFaultSync = 0x100;
constexpr int kFaultErase = 0x101;
constexpr int kFaultWrite = 0x102;

enum class FaultKind {
    kSilent,  // no reply at all
    kGarbage, // a reply whose first byte is wrong
    kError,   // the firmware's error reply (NACK for a boot step)
    kCut,     // only the first `parameter` bytes of the reply
    kSlow,    // the reply arrives `parameter` ms late
    kUnplug,  // the device drops off the bus instead of answering
};

// One requested fault: "WHAT:N:KIND", for example "0x25:3:cut:2" cuts the reply to the
// third CmdProgramPage after two bytes; "sync:1:silent" leaves the first boot-loader
// sync unanswered. On a bus with several PODs, "QBSIM002/0x25:1:unplug" faults only the
// POD with that serial number; without one, every POD.
struct SimFault {
    std::string serial; // empty: every POD
    int what = 0;
    std::uint32_t occurrence = 1; // 1-based
    FaultKind kind = FaultKind::kSilent;
    std::uint32_t parameter = 0; // K of cut:K, MS of slow:MS
};

// Parses "[SERIAL/]WHAT:N:KIND"; returns an empty text on success, else what is wrong.
std::string ParseSimFault(std::string_view text, SimFault& fault);
std::string FaultText(const SimFault& fault);

} // namespace sim
