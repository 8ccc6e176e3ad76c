#include "python/ScriptArgs.h"

#include "image/McuCatalog.h"
#include "image/McuOptions.h"
#include "python/ScriptError.h"

#include <utility>

namespace py = pybind11;

namespace script {

namespace {

std::string Text(const py::handle& value)
{
    return py::str(value).cast<std::string>();
}

podlink::SimArgs SimArgsFrom(const std::optional<py::dict>& sim)
{
    podlink::SimArgs args;
    if (!sim) return args;
    const auto list = [](const py::handle& value) {
        std::vector<std::string> texts;
        if (py::isinstance<py::str>(value))
            texts.push_back(Text(value));
        else
            for (const py::handle& item : value)
                texts.push_back(Text(item));
        return texts;
    };
    for (const auto& [key, value] : *sim) {
        std::string name = Text(key);
        for (char& c : name)
            if (c == '_') c = '-';
        if (name == "mcu")
            args.mcu = Text(value);
        else if (name == "secured")
            args.secured = value.cast<bool>();
        else if (name == "no-target")
            args.noTarget = value.cast<bool>();
        else if (name == "boot")
            args.boot = value.cast<bool>();
        else if (name == "version")
            args.version = Text(value);
        else if (name == "fault")
            args.faults = list(value);
        else if (name == "wire")
            args.wire = Text(value);
        else if (name == "state")
            args.state = Text(value);
        else if (name == "device")
            args.devices = list(value);
        else if (name == "pods")
            args.pods = py::str(value).cast<std::string>();
        else
            throw ScriptError::Usage("unknown emulator option '" + name +
                              "' (mcu, secured, no-target, boot, version, fault, wire, state, "
                              "device, pods)");
    }
    return args;
}

} // namespace

std::string PathText(const py::handle& path)
{
    // os.fsdecode takes what open() takes and gives the str the file system uses.
    try {
        return py::module_::import("os").attr("fsdecode")(path).cast<std::string>();
    } catch (const py::error_already_set&) {
        throw ScriptError::Usage("a path is a str or a pathlib.Path, not " +
                                 Text(py::type::of(path).attr("__name__")));
    }
}

std::optional<std::string> OptionalPathText(const py::object& path)
{
    if (path.is_none()) return std::nullopt;
    return PathText(path);
}

podlink::LinkOptions LinkOptionsFrom(bool simulate, const std::optional<std::string>& serial,
                                     const std::optional<std::string>& driver,
                                     const std::optional<py::dict>& sim,
                                     const std::optional<std::string>& trace)
{
    podlink::LinkOptions options;
    if (serial) options.serials.push_back(*serial);
    options.simulate = simulate;
    options.driver = driver.value_or("");
    options.sim = SimArgsFrom(sim);
    options.defaultWire = sim::WireMode::kInstant; // scripts, like quobin-cli
    options.tracePath = trace.value_or("");
    options.traceHeader = podlink::TraceHeader("quobin (Python)", 0, nullptr);
    return options;
}

int McuIndex(const std::string& mcu)
{
    int index = image::kDefaultMcuType;
    if (const std::string error = image::ParseMcuOption(mcu, index); !error.empty())
        throw ScriptError::Usage(error);
    return index;
}

int DelayIndex(int delayMs)
{
    for (std::size_t i = 0; i < image::ResetDelayTable.size(); ++i)
        if (image::ResetDelayTable[i] == delayMs) return static_cast<int>(i);
    throw ScriptError::Usage("reset delay " + std::to_string(delayMs) + " ms: use 1, 10, 50, 100 or 500");
}

int PolarityIndex(const std::string& polarity)
{
    if (polarity == "low") return 0;
    if (polarity == "high") return 1;
    throw ScriptError::Usage("reset polarity '" + polarity + "': use low or high");
}

ops::OperationMode ModeFrom(const std::string& mode)
{
    using ops::OperationMode;
    static const std::pair<const char*, OperationMode> kModes[] = {
        {"write-verify", OperationMode::TargetWriteVerify},
        {"write", OperationMode::TargetWrite},
        {"verify", OperationMode::TargetVerify},
        {"pod-write-verify", OperationMode::PodWriteVerify},
        {"pod-write", OperationMode::PodWrite},
        {"pod-verify", OperationMode::PodVerify},
    };
    for (const auto& [name, value] : kModes)
        if (mode == name) return value;
    throw ScriptError::Usage("mode '" + mode +
                      "': use write-verify, write, verify, pod-write-verify, pod-write or "
                      "pod-verify");
}

image::RunChoices ChoicesFrom(const std::string& path, const std::string& mcu,
                               const std::optional<py::object>& regions)
{
    image::RunChoices choices;
    choices.mcuIndex = McuIndex(mcu);
    choices.sFilePath = path;
    const image::McuRecord& record = image::RecordFor(choices.mcuIndex);
    if (!regions || regions->is_none()) {
        for (int r = 0; r < image::kRegionCount; ++r)
            choices.regionChecked[r] = record.present[r] != 0;
        return choices;
    }
    std::string text;
    if (py::isinstance<py::str>(*regions))
        text = Text(*regions);
    else
        for (const py::handle& region : *regions)
            text += (text.empty() ? "" : ",") + Text(region);
    const auto chosen = image::ParseRegions(text);
    if (!chosen)
        throw ScriptError::Usage("unknown region in '" + text + "'; use DFLASH,BFLASH,P1FLASH,P2FLASH");
    for (int r = 0; r < image::kRegionCount; ++r)
        if ((*chosen)[r] && !record.present[r])
            throw ScriptError::Usage(std::string(image::RegionName(r)) + " is not present on " +
                              record.name);
    choices.regionChecked = *chosen;
    return choices;
}

monitor::WatchTarget WatchTargetFrom(const std::optional<std::string>& map, const std::string& mcu,
                                     int baud, const std::optional<std::string>& elf)
{
    monitor::WatchTarget target;
    target.map = map.value_or("");
    target.elf = elf.value_or("");
    target.mcu = mcu;
    target.baud = std::to_string(baud);
    if (!monitor::IsMonitorBaud(target.baud))
        throw ScriptError::Usage("baud " + target.baud + ": use 9600, 19200, 38400, 57600 or 115200");
    return target;
}

void WarnAll(const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 2);
}

} // namespace script
