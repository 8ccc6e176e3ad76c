#include "sim/SimOptions.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "image/McuCatalog.h"
#include "sim/SimCatalog.h"

namespace sim {

namespace {
bool ParseInt(std::string_view text, int& value)
{
    if (text.empty()) {
        return false;
    }
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}
} // namespace

std::string ParseSimMcu(std::string_view text, int& type)
{
    const std::optional<int> index = image::ParseMcu(text);
    if (!index) {
        return "--sim-mcu: unknown MCU '" + std::string(text) +
               "' (a name such as MC56F8367, or an index 0.." + std::to_string(PartCount() - 1) +
               ")";
    }
    type = *index;
    return {};
}

std::string ParseSimVersion(std::string_view text, int& major, int& minor)
{
    const std::size_t dot = text.find('.');
    int a = 0;
    int b = 0;
    // Each part travels as one hex digit of the version reply.
    if (dot == std::string_view::npos || !ParseInt(text.substr(0, dot), a) ||
        !ParseInt(text.substr(dot + 1), b) || a < 0 || a > 15 || b < 0 || b > 15) {
        return "--sim-version: '" + std::string(text) + "' must read X.Y with X and Y from 0 to 15";
    }
    major = a;
    minor = b;
    return {};
}

std::string ParseSimWire(std::string_view text, WireMode& wire)
{
    if (text == "instant") {
        wire = WireMode::kInstant;
        return {};
    }
    if (text == "real") {
        wire = WireMode::kReal;
        return {};
    }
    return "--sim-wire: '" + std::string(text) + "' must be instant or real";
}

std::string CheckSimOptions(const SimOptions& options)
{
    if (options.boot || !options.stateDir.empty()) return {};
    for (const SimFault& fault : options.faults)
        if (fault.what == kFaultSync || fault.what == kFaultErase || fault.what == kFaultWrite)
            return "--sim-fault: '" + FaultText(fault) +
                   "' is a step of the boot loader and fires only with --sim-boot";
    return {};
}

std::string ApplySimOptionLine(SimOptions& options, std::string_view line)
{
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string_view word = words[i];
        if (word.substr(0, 2) != "--") return "'" + std::string(word) + "' is not an option";
        word.remove_prefix(2);
        std::string_view value;
        if (const std::size_t equals = word.find('='); equals != std::string_view::npos) {
            value = word.substr(equals + 1);
            word = word.substr(0, equals);
        } else if (word != "sim-secured" && word != "sim-no-target" && word != "sim-boot" &&
                   i + 1 < words.size()) {
            value = words[++i];
        }
        if (std::string error = ApplySimOption(options, word, value); !error.empty()) return error;
    }
    return {};
}

std::string ApplySimOption(SimOptions& options, std::string_view name, std::string_view value)
{
    if (name == "sim-mcu") {
        return ParseSimMcu(value, options.mcu);
    }
    if (name == "sim-secured" || name == "sim-no-target" || name == "sim-boot") {
        if (!value.empty()) {
            return "--" + std::string(name) + " takes no value";
        }
        (name == "sim-secured" ? options.secured
         : name == "sim-boot"  ? options.boot
                               : options.noTarget) = true;
        return {};
    }
    if (name == "sim-version") {
        return ParseSimVersion(value, options.versionMajor, options.versionMinor);
    }
    if (name == "sim-fault") {
        SimFault fault;
        std::string error = ParseSimFault(value, fault);
        if (!error.empty()) {
            return "--sim-fault: " + error;
        }
        options.faults.push_back(fault);
        return {};
    }
    if (name == "sim-wire") {
        return ParseSimWire(value, options.wire);
    }
    if (name == "sim-state") {
        if (value.empty()) {
            return "--sim-state needs a directory";
        }
        options.stateDir = std::string(value);
        return {};
    }
    if (name == "sim-device") {
        if (value.empty() || value.size() >= 64) {
            return "--sim-device needs a description of 1 to 63 characters";
        }
        options.extraDevices.emplace_back(value);
        return {};
    }
    if (name == "sim-pods") {
        int count = 0;
        if (!ParseInt(value, count) || count < 1 || count > kMaxSimPods) {
            return "--sim-pods: '" + std::string(value) + "' must be a number from 1 to " +
                   std::to_string(kMaxSimPods);
        }
        options.pods = count;
        return {};
    }
    return "unknown option --" + std::string(name);
}

} // namespace sim
