// The Python module `quobin`: one open POD for bench tests, over the core quobin-cli uses.
// Every exchange with the POD runs with the GIL released; failures raise quobin.Error.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "image/McuOptions.h"
#include "image/McuCatalog.h"
#include "monitor/MonitorWorker.h"
#include "monitor/TypedSymbols.h"
#include "pod/AttachedDevices.h"
#include "podlink/PodLink.h"
#include "python/ScriptError.h"
#include "python/ScriptLink.h"
#include "python/ScriptMonitor.h"
#include "python/ScriptValues.h"
#include "python/ScriptWatch.h"
#include "quobin/Version.h"

namespace py = pybind11;
using script::ScriptError;

namespace {

std::string Text(const py::handle& value)
{
    return py::str(value).cast<std::string>();
}

// The emulator's options from a dict with the names of the --sim-* options:
// {"mcu": "MC56F8367", "fault": ["0x51:3:unplug"], "no-target": True, ...}.
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
            throw ScriptError("unknown emulator option '" + name +
                              "' (mcu, secured, no-target, boot, version, fault, wire, state, "
                              "device, pods)");
    }
    return args;
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
        throw ScriptError(error);
    return index;
}

int DelayIndex(int delayMs)
{
    for (std::size_t i = 0; i < image::ResetDelayTable.size(); ++i)
        if (image::ResetDelayTable[i] == delayMs) return static_cast<int>(i);
    throw ScriptError("reset delay " + std::to_string(delayMs) + " ms: use 1, 10, 50, 100 or 500");
}

int PolarityIndex(const std::string& polarity)
{
    if (polarity == "low") return 0;
    if (polarity == "high") return 1;
    throw ScriptError("reset polarity '" + polarity + "': use low or high");
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
    throw ScriptError("mode '" + mode +
                      "': use write-verify, write, verify, pod-write-verify, pod-write or "
                      "pod-verify");
}

// The run choices: the part, and the regions asked for (all the part has by
// default), as quobin-cli program takes them.
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
        throw ScriptError("unknown region in '" + text + "'; use DFLASH,BFLASH,P1FLASH,P2FLASH");
    for (int r = 0; r < image::kRegionCount; ++r)
        if ((*chosen)[r] && !record.present[r])
            throw ScriptError(std::string(image::RegionName(r)) + " is not present on " +
                              record.name);
    choices.regionChecked = *chosen;
    return choices;
}

struct ProgramResult {
    bool ok = false;
    bool interrupted = false;
    std::string message;
    double elapsedS = 0;
    std::map<std::string, std::uint32_t> words;
};

ProgramResult ProgramResultOf(const ops::RunResult& result)
{
    ProgramResult out{result.ok, result.interrupted, result.message, result.elapsedMs / 1000.0, {}};
    for (int r = 0; r < image::kRegionCount; ++r)
        out.words[image::RegionName(r)] = result.wordsSent[r];
    return out;
}

// A symbol of the map, or a member, element or bit field inside one when an ELF typed it.
// Children are made when asked for, so a large array costs nothing until a script looks.
struct Symbol {
    std::string name;
    std::uint32_t address = 0;
    std::int32_t size = 0;
    std::string view;
    std::optional<std::string> type; // the C type, when an ELF gave one
    std::shared_ptr<const monitor::TypedSymbols> types;
    std::optional<monitor::TypedRow> row;

    std::vector<Symbol> Children() const
    {
        std::vector<Symbol> children;
        if (!row || !types) return children;
        for (const monitor::TypedRow& child : types->Children(*row).rows)
            children.push_back(Member(types, child));
        return children;
    }

    static Symbol Member(const std::shared_ptr<const monitor::TypedSymbols>& types,
                         const monitor::TypedRow& row)
    {
        return {row.path,
                row.address,
                row.sizeWords,
                monitor::ViewTypeName(row.viewType),
                row.typeText.empty() ? std::nullopt : std::optional(row.typeText),
                types,
                row};
    }
};

void WarnAll(const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 2);
}

monitor::WatchTarget MonitorOptionsFrom(const std::optional<std::string>& map,
                                       const std::string& mcu, int baud,
                                       const std::optional<std::string>& elf)
{
    monitor::WatchTarget options;
    options.map = map.value_or("");
    options.elf = elf.value_or("");
    options.mcu = mcu;
    options.baud = std::to_string(baud);
    if (!monitor::IsMonitorBaud(options.baud))
        throw ScriptError("baud " + options.baud + ": use 9600, 19200, 38400, 57600 or 115200");
    return options;
}

std::vector<py::dict> Devices(bool simulate, const std::optional<std::string>& driver,
                              const std::optional<py::dict>& sim)
{
    const podlink::LinkOptions options =
        LinkOptionsFrom(simulate, std::nullopt, driver, sim, std::nullopt);
    std::vector<pod::AttachedDevice> attached;
    {
        py::gil_scoped_release release;
        pod::SteadyPodClock clock;
        podlink::PodLink link = podlink::MakePodLink(options, clock);
        if (!link.error.empty()) throw ScriptError(link.error);
        if (!link.driver->Load())
            throw ScriptError("no FTDI driver could be loaded: " + link.driver->LastError());
        attached = pod::ListAttachedDevices(*link.driver);
        link.driver->Unload();
    }
    std::vector<py::dict> devices;
    for (const pod::AttachedDevice& device : attached)
        devices.push_back(py::dict(py::arg("index") = device.index,
                                   py::arg("description") = device.description,
                                   py::arg("serial") = device.serial, py::arg("pod") = device.isPod));
    return devices;
}

} // namespace

PYBIND11_MODULE(quobin, m)
{
    m.doc() = "Program and monitor 56800/56800E controllers through the Quobin POD.";
    m.attr("__version__") = quobin::kVersion;

    static py::exception<ScriptError> error(m, "Error");
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const ScriptError& e) {
            py::object instance = py::handle(error.ptr())(e.what());
            instance.attr("message") = e.what();
            PyErr_SetObject(error.ptr(), instance.ptr());
        }
    });

    py::class_<ProgramResult>(m, "ProgramResult", "The result of Pod.program().")
        .def_readonly("ok", &ProgramResult::ok)
        .def_readonly("interrupted", &ProgramResult::interrupted,
                      "The run was stopped (Ctrl+C or a callback that raised).")
        .def_readonly("message", &ProgramResult::message)
        .def_readonly("elapsed_s", &ProgramResult::elapsedS)
        .def_readonly("words", &ProgramResult::words, "Words sent per region.")
        .def("__repr__",
             [](const ProgramResult& r) { return "<ProgramResult " + r.message + ">"; });

    py::class_<Symbol>(m, "Symbol", "A data symbol of the map.")
        .def_readonly("name", &Symbol::name)
        .def_readonly("address", &Symbol::address, "Word address.")
        .def_readonly("size", &Symbol::size, "Size in 16-bit words.")
        .def_readonly("view", &Symbol::view, "The view type it is read with.")
        .def_readonly("type", &Symbol::type, "Its C type when an ELF gave one, else None.")
        .def_property_readonly("children", &Symbol::Children,
                               "Members, elements and bit fields (from an ELF), by path name.")
        .def("__repr__", [](const Symbol& s) { return "<Symbol " + s.name + ">"; });

    m.def(
        "symbols",
        [](const std::string& mapPath, const std::string& mcu,
           const std::optional<std::string>& elf) {
            monitor::WatchTarget options = MonitorOptionsFrom(mapPath, mcu, 38400, elf);
            monitor::SymbolTable table;
            std::vector<std::string> warnings;
            script::LoadTarget(options, table, warnings);
            WarnAll(warnings);
            const auto types = std::make_shared<const monitor::TypedSymbols>(std::move(options.types));
            std::vector<Symbol> symbols;
            for (int index : table.DisplayOrder()) {
                const monitor::SymbolEntry& entry = table.at(index);
                Symbol symbol{entry.name, entry.address, entry.size,
                              monitor::ViewTypeName(entry.viewType), std::nullopt, types, std::nullopt};
                if (const monitor::TypedRow* typed = types->RowOf(index)) {
                    symbol.row = *typed;
                    if (!typed->typeText.empty()) symbol.type = typed->typeText;
                }
                symbols.push_back(std::move(symbol));
            }
            return symbols;
        },
        py::arg("map_path"), py::arg("mcu") = "MC56F8367", py::arg("elf") = py::none(),
        "The data symbols of a linker map (.xMAP) in name order, as quobin-cli symbols lists "
        "them; types when an ELF is given.");

    m.def("devices", &Devices, py::arg("simulate") = false, py::arg("driver") = py::none(),
          py::arg("sim") = py::none(),
          "Every FTDI device attached: index, description, serial, and whether it is the POD.");

    py::class_<script::ScriptWatch, std::shared_ptr<script::ScriptWatch>>(
        m, "Watch", "Items read every interval; iterate for (time_ms, {item: value}).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__",
             [](script::ScriptWatch& watch) {
                 monitor::Cycle cycle;
                 std::uint32_t elapsedMs = 0;
                 for (;;) {
                     auto step = script::ScriptWatch::Step::Waiting;
                     {
                         py::gil_scoped_release release;
                         step = watch.Next(std::chrono::milliseconds(50), cycle, elapsedMs);
                     }
                     if (step == script::ScriptWatch::Step::Ended) throw py::stop_iteration();
                     // Ctrl+C reaches the script after every wait, a cycle or not: a
                     // list(watch) calls here without ever going back to the
                     // interpreter's own signal check.
                     if (PyErr_CheckSignals() != 0) {
                         py::gil_scoped_release release;
                         watch.Stop();
                         throw py::error_already_set();
                     }
                     if (step == script::ScriptWatch::Step::Cycle) break;
                 }
                 py::dict values;
                 for (std::size_t i = 0; i < watch.items().size(); ++i) {
                     const monitor::WatchItem& item = watch.items()[i];
                     values[py::str(item.label)] =
                         script::ValueToPython(cycle.Row(item.list, watch.rows()[i]));
                 }
                 return py::make_tuple(elapsedMs, values);
             })
        .def("close", &script::ScriptWatch::Stop, py::call_guard<py::gil_scoped_release>())
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](script::ScriptWatch& watch, py::args) {
            py::gil_scoped_release release;
            watch.Stop();
        });

    py::class_<script::ScriptMonitor, std::shared_ptr<script::ScriptMonitor>>(
        m, "Monitor", "Reads, writes and watches target variables through the POD.")
        .def(
            "read",
            [](script::ScriptMonitor& monitor, const std::string& text) {
                const monitor::WatchItem& item = monitor.Resolve(text);
                monitor::Reading reading;
                {
                    py::gil_scoped_release release;
                    reading = monitor.Read(item);
                }
                return script::ValueToPython(monitor.options().types, item, reading);
            },
            py::arg("item"),
            "The item's value: an int (a bit field's or an enum's number too), a float for "
            "FLOAT and the fractions, a str for ASCII. ITEM as on the "
            "command line: \"sineWave\", \"sineWave:FLOAT\", \"0x0080:UINT16\".")
        .def(
            "write",
            [](script::ScriptMonitor& monitor, const std::string& text, py::handle value) {
                const monitor::WatchItem& item = monitor.Resolve(text);
                const monitor::WriteRequest request = script::WriteRequestFrom(item, value);
                py::gil_scoped_release release;
                monitor.Write(item, request);
            },
            py::arg("item"), py::arg("value"),
            "Writes a value and reads it back: a str read strictly as quobin-cli write reads "
            "it, or an int or float within the view type's range. Raises quobin.Error when "
            "the write fails or the target shows another value.")
        .def(
            "watch",
            [](const std::shared_ptr<script::ScriptMonitor>& monitor,
               const std::vector<std::string>& items, std::uint32_t intervalMs,
               std::optional<std::uint64_t> count, std::optional<double> durationS) {
                return std::make_shared<script::ScriptWatch>(
                    monitor, items, intervalMs, count.value_or(0), durationS.value_or(0));
            },
            py::arg("items"), py::arg("interval_ms") = 100, py::arg("count") = py::none(),
            py::arg("duration_s") = py::none(), py::call_guard<py::gil_scoped_release>(),
            "Reads the items every interval_ms until count cycles or duration_s seconds.")
        .def("_core_read_us",
             [](script::ScriptMonitor& monitor, const std::string& text, int count) {
                 const monitor::WatchItem& item = monitor.Resolve(text);
                 py::gil_scoped_release release;
                 return monitor.TimeCoreReads(item, count);
             });

    py::class_<script::ScriptLink, std::shared_ptr<script::ScriptLink>>(
        m, "Pod", "The POD, opened by its first command and closed by close() or a with block.")
        .def(py::init([](bool simulate, std::optional<std::string> serial,
                         std::optional<std::string> driver, std::optional<py::dict> sim,
                         std::optional<std::string> trace) {
                 const podlink::LinkOptions options =
                     LinkOptionsFrom(simulate, serial, driver, sim, trace);
                 py::gil_scoped_release release;
                 return std::make_shared<script::ScriptLink>(options);
             }),
             py::arg("simulate") = false, py::arg("serial") = py::none(),
             py::arg("driver") = py::none(), py::arg("sim") = py::none(),
             py::arg("trace") = py::none())
        .def("version", &script::ScriptLink::Version, py::call_guard<py::gil_scoped_release>(),
             "The POD's firmware version: \"POD Version V1.1\".")
        .def(
            "reset",
            [](script::ScriptLink& link, const std::string& polarity, int delayMs,
               const std::string& mcu) {
                const int polarityIndex = PolarityIndex(polarity);
                const int delayIndex = DelayIndex(delayMs);
                const int mcuIndex = McuIndex(mcu);
                py::gil_scoped_release release;
                link.Reset(polarityIndex, delayIndex, mcuIndex);
            },
            py::arg("polarity") = "low", py::arg("delay_ms") = 1, py::arg("mcu") = "MC56F8367")
        .def(
            "program",
            [](script::ScriptLink& link, const std::string& path, const std::string& mcu,
               std::optional<py::object> regions, const std::string& mode,
               std::optional<py::function> progress) {
                const image::RunChoices choices = ChoicesFrom(path, mcu, regions);
                const ops::OperationMode operation = ModeFrom(mode);
                // The callback and Ctrl+C are both heard on this thread, between the
                // worker's reports; either stops the run between two POD exchanges.
                std::optional<py::error_already_set> raised;
                script::ScriptLink::Follower follower;
                if (progress)
                    follower.progress = [&](int position, int upper) {
                        py::gil_scoped_acquire gil;
                        try {
                            (*progress)(position, upper);
                            return true;
                        } catch (py::error_already_set& e) {
                            raised.emplace(std::move(e));
                            return false;
                        }
                    };
                follower.interrupted = [&] {
                    py::gil_scoped_acquire gil;
                    if (PyErr_CheckSignals() == 0) return false;
                    raised.emplace();
                    return true;
                };
                ops::RunResult result;
                {
                    py::gil_scoped_release release;
                    result = link.Program(operation, choices, follower);
                }
                if (raised) {
                    // The run's result goes with the exception: how far it got.
                    raised->value().attr("result") = ProgramResultOf(result);
                    throw std::move(*raised);
                }
                if (!result.ok)
                    throw ScriptError(link.FailureText(result.message, result.record.reason));
                return ProgramResultOf(result);
            },            py::arg("path"), py::arg("mcu") = "MC56F8367", py::arg("regions") = py::none(),
            py::arg("mode") = "write-verify", py::arg("progress") = py::none(),
            "Programs an S file: mode write-verify, write or verify on the target, or "
            "pod-write-verify, pod-write, pod-verify for the job stored in the POD. "
            "progress(position, upper) is called as the bar moves.")
        .def(
            "monitor",
            [](const std::shared_ptr<script::ScriptLink>& link, std::optional<std::string> map,
               const std::string& mcu, int baud, std::optional<std::string> elf) {
                monitor::WatchTarget options = MonitorOptionsFrom(map, mcu, baud, elf);
                std::shared_ptr<script::ScriptMonitor> monitor;
                {
                    py::gil_scoped_release release;
                    monitor = std::make_shared<script::ScriptMonitor>(link, std::move(options));
                }
                WarnAll(monitor->warnings());
                return monitor;
            },
            py::arg("map") = py::none(), py::arg("mcu") = "MC56F8367", py::arg("baud") = 38400,
            py::arg("elf") = py::none(),
            "Opens the POD for monitoring; map names the symbols (types when an ELF is given).")
        .def("close", &script::ScriptLink::Close, py::call_guard<py::gil_scoped_release>())
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](script::ScriptLink& link, py::args) {
            py::gil_scoped_release release;
            link.Close();
        });
}
