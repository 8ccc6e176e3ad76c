// Pod and ProgramResult: one POD for a script, its version, reset and flash runs; the
// run is followed on the calling thread, so its callbacks and Ctrl+C are heard there.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <map>
#include <memory>
#include <optional>

#include "image/McuCatalog.h"
#include "python/ModuleParts.h"
#include "python/ScriptArgs.h"
#include "python/ScriptError.h"
#include "python/ScriptLink.h"
#include "python/ScriptMonitor.h"

namespace py = pybind11;

namespace script {

namespace {

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

// Pod.program(): the run on the worker, followed here, on the script's thread.
ProgramResult Program(ScriptLink& link, const py::object& path, const std::string& mcu,
                      std::optional<py::object> regions, const std::string& mode,
                      std::optional<py::function> progress, const std::string& unit)
{
    const image::RunChoices choices = ChoicesFrom(PathText(path), mcu, regions);
    const ops::OperationMode operation = ModeFrom(mode);
    link.LabelUnit(unit);
    // The callback and Ctrl+C are both heard on this thread, between the worker's
    // reports; either stops the run between two POD exchanges.
    std::optional<py::error_already_set> raised;
    ScriptLink::Follower follower;
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
    WarnAll(link.TakeRecordNotes());
    // A run whose record was lost fails as in quobin-cli: the line cannot trace that board.
    const std::vector<std::string> recordErrors = link.TakeRecordErrors();
    if (raised) {
        // The run's result goes with the exception: how far it got.
        raised->value().attr("result") = ProgramResultOf(result);
        throw std::move(*raised);
    }
    if (!result.ok)
        throw ScriptError::FromFailure(link.FailureText(result.message, result.record.reason),
                                       result.messageId, result.failure);
    if (!recordErrors.empty()) throw ScriptError("the run's record was not kept: " + recordErrors.front());
    return ProgramResultOf(result);
}

void InitProgramResult(py::module_& m)
{
    py::class_<ProgramResult>(m, "ProgramResult", "The result of Pod.program().")
        .def_readonly("ok", &ProgramResult::ok, "The run did all it was asked.")
        .def_readonly("interrupted", &ProgramResult::interrupted,
                      "The run was stopped (Ctrl+C or a callback that raised).")
        .def_readonly("message", &ProgramResult::message,
                      "The run's last message, as Quobin's window shows it.")
        .def_readonly("elapsed_s", &ProgramResult::elapsedS, "Seconds the run took.")
        .def_readonly("words", &ProgramResult::words, "Words sent per region.")
        .def("__repr__",
             [](const ProgramResult& r) { return "<ProgramResult " + r.message + ">"; },
             "__repr__(self)\n--\n\nThe result's message.");
}

} // namespace

void InitPod(py::module_& m)
{
    InitProgramResult(m);

    py::class_<ScriptLink, std::shared_ptr<ScriptLink>>(
        m, "Pod", "The POD, opened by its first command and closed by close() or a with block.")
        .def(py::init([](bool simulate, std::optional<std::string> serial,
                         std::optional<std::string> driver, std::optional<py::dict> sim,
                         const py::object& trace, const py::object& records,
                         const std::string& station, const std::string& operatorName) {
                 const podlink::LinkOptions options =
                     LinkOptionsFrom(simulate, serial, driver, sim, OptionalPathText(trace));
                 const std::optional<std::string> store = OptionalPathText(records);
                 std::shared_ptr<ScriptLink> link;
                 std::vector<std::string> notes;
                 {
                     py::gil_scoped_release release;
                     link = std::make_shared<ScriptLink>(options);
                     if (store) notes = link->KeepRecords(*store, station, operatorName);
                 }
                 WarnAll(notes);
                 return link;
             }),
             py::arg("simulate") = false, py::arg("serial") = py::none(),
             py::arg("driver") = py::none(), py::arg("sim") = py::none(),
             py::arg("trace") = py::none(), py::arg("records") = py::none(),
             py::arg("station") = "", py::arg("operator") = "",
             "__init__(self, simulate=False, serial=None, driver=None, sim=None, trace=None, "
             "records=None, station='', operator='')\n--\n\n"
             "The POD with this serial number (any attached one when None), or the built-in "
             "emulator when simulate is true; sim holds emulator options as quobin-cli's "
             "--sim-* take them, trace a file to write the exchange to. With records (a SQLite "
             "file or postgresql://...) every program() is recorded as quobin-cli's --records "
             "does, naming the station (default the host name) and the operator (default the "
             "login name).")
        .def("version", &ScriptLink::Version, py::call_guard<py::gil_scoped_release>(),
             "version(self)\n--\n\nThe POD's firmware version: \"POD Version V1.1\".")
        .def(
            "reset",
            [](ScriptLink& link, const std::string& polarity, int delayMs,
               const std::string& mcu) {
                const int polarityIndex = PolarityIndex(polarity);
                const int delayIndex = DelayIndex(delayMs);
                const int mcuIndex = McuIndex(mcu);
                py::gil_scoped_release release;
                link.Reset(polarityIndex, delayIndex, mcuIndex);
            },
            py::arg("polarity") = "low", py::arg("delay_ms") = 1, py::arg("mcu") = "MC56F8367",
            "reset(self, polarity='low', delay_ms=1, mcu='MC56F8367')\n--\n\n"
            "Resets the target: the reset line's polarity (low or high) and how long it is "
            "held, for the part mcu.")
        .def(
            "program",
            &Program,
            py::arg("path"), py::arg("mcu") = "MC56F8367", py::arg("regions") = py::none(),
            py::arg("mode") = "write-verify", py::arg("progress") = py::none(),
            py::arg("unit") = "",
            "program(self, path, mcu='MC56F8367', regions=None, mode='write-verify', "
            "progress=None, unit='')\n--\n\n"
            "Programs an S file: mode write-verify, write or verify on the target, or "
            "pod-write-verify, pod-write, pod-verify for the job stored in the POD. "
            "progress(position, upper) is called as the bar moves; unit names the board in "
            "the run's record when the Pod keeps records.")
        .def(
            "monitor",
            [](const std::shared_ptr<ScriptLink>& link, const py::object& map,
               const std::string& mcu, int baud, const py::object& elf) {
                monitor::WatchTarget options =
                    WatchTargetFrom(OptionalPathText(map), mcu, baud, OptionalPathText(elf));
                std::shared_ptr<ScriptMonitor> monitor;
                {
                    py::gil_scoped_release release;
                    monitor = std::make_shared<ScriptMonitor>(link, std::move(options));
                }
                WarnAll(monitor->warnings());
                return monitor;
            },
            py::arg("map") = py::none(), py::arg("mcu") = "MC56F8367", py::arg("baud") = 38400,
            py::arg("elf") = py::none(),
            "monitor(self, map=None, mcu='MC56F8367', baud=38400, elf=None)\n--\n\n"
            "Opens the POD for monitoring; map names the symbols (types when an ELF is given).")
        .def("close", &ScriptLink::Close, py::call_guard<py::gil_scoped_release>(),
             "close(self)\n--\n\nCloses the POD; the next command opens it again.")
        .def("__enter__", [](py::object self) { return self; },
             "__enter__(self)\n--\n\nThe POD itself.")
        .def(
            "__exit__",
            [](ScriptLink& link, py::args) {
                py::gil_scoped_release release;
                link.Close();
            },
            "__exit__(self, *args)\n--\n\nCloses the POD.");
}

} // namespace script
