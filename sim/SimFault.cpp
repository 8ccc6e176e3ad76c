#include "sim/SimFault.h"

#include <charconv>
#include <cstdio>

namespace sim {

namespace {

bool ParseUnsigned(std::string_view text, int base, std::uint32_t& value)
{
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

std::string ParseWhat(std::string_view what, int& out)
{
    if (what == "sync") {
        out = kFaultSync;
        return {};
    }
    if (what == "erase") {
        out = kFaultErase;
        return {};
    }
    if (what == "write") {
        out = kFaultWrite;
        return {};
    }
    std::uint32_t opcode = 0;
    if (what.size() > 2 && what[0] == '0' && (what[1] == 'x' || what[1] == 'X') &&
        ParseUnsigned(what.substr(2), 16, opcode) && opcode <= 0xFF) {
        out = static_cast<int>(opcode);
        return {};
    }
    return "unknown fault target '" + std::string(what) +
           "': use an opcode in hex (0x00..0xFF) or sync, erase, write";
}

} // namespace

std::string ParseSimFault(std::string_view text, SimFault& fault)
{
    const std::string whole(text);
    std::string serial;
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        serial = std::string(text.substr(0, slash));
        text.remove_prefix(slash + 1);
        if (serial.empty()) return "fault '" + whole + "': a serial number must stand before '/'";
    }
    const std::size_t c1 = text.find(':');
    const std::size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) {
        return "fault '" + whole + "' must read WHAT:N:KIND";
    }
    SimFault result;
    if (std::string e = ParseWhat(text.substr(0, c1), result.what); !e.empty()) {
        return e;
    }
    if (!ParseUnsigned(text.substr(c1 + 1, c2 - c1 - 1), 10, result.occurrence) ||
        result.occurrence == 0) {
        return "fault '" + whole + "': N must be a whole number from 1";
    }
    std::string_view kind = text.substr(c2 + 1);
    std::string_view argument;
    const std::size_t c3 = kind.find(':');
    if (c3 != std::string_view::npos) {
        argument = kind.substr(c3 + 1);
        kind = kind.substr(0, c3);
    }
    const bool needsArgument = kind == "cut" || kind == "slow";
    if (needsArgument != (c3 != std::string_view::npos)) {
        return needsArgument ? "fault '" + whole + "': " + std::string(kind) + " needs a number (" +
                                   std::string(kind) + (kind == "cut" ? ":K)" : ":MS)")
                             : "fault '" + whole + "': " + std::string(kind) + " takes no number";
    }
    if (kind == "silent") {
        result.kind = FaultKind::kSilent;
    } else if (kind == "garbage") {
        result.kind = FaultKind::kGarbage;
    } else if (kind == "error") {
        result.kind = FaultKind::kError;
    } else if (kind == "unplug") {
        result.kind = FaultKind::kUnplug;
    } else if (kind == "cut" || kind == "slow") {
        result.kind = kind == "cut" ? FaultKind::kCut : FaultKind::kSlow;
        if (!ParseUnsigned(argument, 10, result.parameter)) {
            return "fault '" + whole + "': '" + std::string(argument) + "' is not a whole number";
        }
    } else {
        return "fault '" + whole + "': unknown kind '" + std::string(kind) +
               "' (silent, garbage, error, cut:K, slow:MS, unplug)";
    }
    result.serial = std::move(serial);
    fault = result;
    return {};
}

std::string FaultText(const SimFault& fault)
{
    std::string what;
    switch (fault.what) {
    case kFaultSync:
        what = "sync";
        break;
    case kFaultErase:
        what = "erase";
        break;
    case kFaultWrite:
        what = "write";
        break;
    default: {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(fault.what));
        what = buffer;
    }
    }
    static constexpr const char* kKinds[] = {"silent", "garbage", "error", "cut", "slow", "unplug"};
    std::string text = (fault.serial.empty() ? std::string() : fault.serial + "/") + what + ":" + std::to_string(fault.occurrence) + ":" + kKinds[static_cast<int>(fault.kind)];
    if (fault.kind == FaultKind::kCut || fault.kind == FaultKind::kSlow) {
        text += ":" + std::to_string(fault.parameter);
    }
    return text;
}

} // namespace sim
