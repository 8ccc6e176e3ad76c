#include "pod/TraceDecoder.h"

#include "pod/PodErrorCodes.h"
#include "pod/PodFrame.h"
#include "pod/PodOpcodes.h"

#include <array>
#include <cstdint>

namespace pod {

namespace {

struct Field {
    const char* name;
    std::size_t digits;
};

// Layout of each command's payload after its opcode: fixed fields, then (for the data
// commands) 16-bit words of four digits each.
struct CommandLayout {
    std::uint8_t opcode;
    const char* name;
    std::array<Field, 11> fields;
    bool words; // the rest of the payload is data words
};

constexpr CommandLayout kLayouts[] = {
    {opcode::kGetVersion, "get-version", {}, false},
    {opcode::kResetTarget, "reset-target", {}, false},
    {opcode::kPodWriteInfo,
     "pod-write-info",
     {{{"mode", 2},
       {"mcu", 2},
       {"const", 2},
       {"reset-after", 2},
       {"polarity", 2},
       {"delay", 4},
       {"loader", 4},
       {"dflash", 4},
       {"bflash", 4},
       {"p1flash", 6},
       {"p2flash", 6}}},
     false},
    {opcode::kPodWriteLoader, "pod-write-loader", {{{"mode", 2}, {"words", 4}}}, true},
    {opcode::kPodWriteBlock, "pod-write-block", {{{"mode", 2}, {"block", 4}, {"bytes", 4}}}, true},
    {opcode::kConnectTarget,
     "connect-target",
     {{{"mcu", 2}, {"connect", 2}, {"polarity", 2}, {"delay", 4}}},
     false},
    {opcode::kEnableOnce, "enable-once", {}, false},
    {opcode::kUnlockFlash, "unlock-flash", {}, false},
    {opcode::kTargetLoadLoader, "load-loader", {{{"words", 4}}}, true},
    {opcode::kEraseFlash, "erase-flash", {{{"regions", 2}}}, false},
    {opcode::kProgramPage,
     "program-page",
     {{{"mode", 2}, {"region", 2}, {"address", 6}, {"words", 4}, {"sum", 4}}},
     true},
    {opcode::kBufferChunk, "buffer-chunk", {{{"chunk", 2}, {"words", 4}}}, true},
    {opcode::kProgramBuffered,
     "program-buffered",
     {{{"mode", 2}, {"region", 2}, {"address", 6}, {"count", 4}, {"sum", 4}}},
     false},
    {opcode::kReleaseTarget, "release-target", {{{"reset", 2}}}, false},
    {opcode::kSetMonitorBaud, "set-monitor-baud", {{{"rate", 2}}}, false},
    {opcode::kReadMemory, "read-memory", {{{"width", 2}, {"address", 6}}}, false},
    {opcode::kWriteMemory, "write-memory", {{{"width", 2}, {"address", 6}}}, false},
};

} // namespace

std::string DescribeSentFrame(std::string_view bytes)
{
    // ':' payload checksum(2) CR, the payload starting with the opcode's two digits.
    if (bytes.size() < 2 + kFrameOverhead || bytes.front() != kFrameStart ||
        bytes.back() != kFrameEnd || StrictHexDigitValue(bytes[1]) < 0 ||
        StrictHexDigitValue(bytes[2]) < 0)
        return {};
    std::string_view payload = bytes.substr(1, bytes.size() - kFrameOverhead);
    const auto code = static_cast<std::uint8_t>(ParseHexByte(payload.data()));
    payload.remove_prefix(2);
    for (const CommandLayout& layout : kLayouts) {
        if (layout.opcode != code) continue;
        std::string text = layout.name;
        for (const Field& field : layout.fields) {
            if (field.name == nullptr) break;
            if (payload.size() < field.digits) return text + " (payload cut short)";
            text +=
                std::string(" ") + field.name + "=" + std::string(payload.substr(0, field.digits));
            payload.remove_prefix(field.digits);
        }
        if (layout.words && !payload.empty())
            text += " +" + std::to_string(payload.size() / 4) + " data words";
        else if (!payload.empty())
            text += " value=" + std::string(payload);
        return text;
    }
    return "unknown opcode " + std::string(bytes.substr(1, 2));
}

std::string DescribeReply(std::string_view bytes)
{
    if (bytes.empty()) return {};
    const bool whole = bytes.back() == kFrameEnd;
    std::string text;
    if (bytes.front() == '?' && bytes.size() >= 3 && StrictHexDigitValue(bytes[1]) >= 0 &&
        StrictHexDigitValue(bytes[2]) >= 0) {
        const int code = ParseHexByte(bytes.data() + 1);
        text = "error reply " + std::string(bytes.substr(1, 2)) + ": " + PodErrorMeaning(code);
    } else if (bytes.front() == kFrameStart && whole && bytes.size() >= 6) {
        // ':' opcode(2) data checksum(2) CR
        const std::string_view data = bytes.substr(3, bytes.size() - 6);
        text = data.empty() ? "reply OK" : "reply OK, data " + std::string(data);
    } else if (bytes.front() != kFrameStart && bytes.front() != '?') {
        return {};
    }
    if (!whole) text += text.empty() ? "short read: reply without its CR" : " (short read, no CR)";
    return text;
}

} // namespace pod
