#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <vector>

#include "image/RunChoices.h"
#include "monitor/WatchTarget.h"
#include "ops/OperationMode.h"
#include "podlink/LinkOptions.h"

namespace script {

// A script's arguments read as quobin-cli reads the same options. Each throws a usage
// ScriptError (quobin.UsageError) in quobin-cli's words when an argument names nothing or
// does not fit.

// A path given as a str, bytes or os.PathLike (pathlib.Path).
std::string PathText(const pybind11::handle& path);
std::optional<std::string> OptionalPathText(const pybind11::object& path);

// The link of Pod(...) and devices(...): the emulator's options from a dict with the
// names of the --sim-* options ({"mcu": "MC56F8367", "fault": ["0x51:3:unplug"], ...}).
podlink::LinkOptions LinkOptionsFrom(bool simulate, const std::optional<std::string>& serial,
                                     const std::optional<std::string>& driver,
                                     const std::optional<pybind11::dict>& sim,
                                     const std::optional<std::string>& trace);

int McuIndex(const std::string& mcu);
int DelayIndex(int delayMs);
int PolarityIndex(const std::string& polarity);
ops::OperationMode ModeFrom(const std::string& mode);
// The part, and the regions asked for (a str "P1FLASH,DFLASH" or a list; all the part has
// when none), as quobin-cli program takes them.
image::RunChoices ChoicesFrom(const std::string& path, const std::string& mcu,
                              const std::optional<pybind11::object>& regions);
// What names the target's variables: the map, the part, the ELF and the baud rate.
monitor::WatchTarget WatchTargetFrom(const std::optional<std::string>& map, const std::string& mcu,
                                     int baud, const std::optional<std::string>& elf);

// Each warning as a Python UserWarning, raised at the caller's line.
void WarnAll(const std::vector<std::string>& warnings);

} // namespace script
