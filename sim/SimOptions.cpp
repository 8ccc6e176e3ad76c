#include "sim/SimOptions.h"

#include <charconv>

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
    return "unknown option --" + std::string(name);
}

} // namespace sim
