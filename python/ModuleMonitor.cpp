// Monitor and Watch: target variables read, written and watched through the POD.
#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <optional>

#include "monitor/WatchLimits.h"
#include "python/ModuleParts.h"
#include "python/ScriptError.h"
#include "python/ScriptMonitor.h"
#include "python/ScriptValues.h"
#include "python/ScriptWatch.h"

namespace py = pybind11;

namespace script {

namespace {

// Watch.__next__: (time_ms, {item: value}) of the next cycle; StopIteration once the
// count or the duration is reached.
py::tuple NextCycle(ScriptWatch& watch)
{
    monitor::Cycle cycle;
    std::uint32_t elapsedMs = 0;
    for (;;) {
        auto step = ScriptWatch::Step::Waiting;
        {
            py::gil_scoped_release release;
            step = watch.Next(std::chrono::milliseconds(50), cycle, elapsedMs);
        }
        if (step == ScriptWatch::Step::Ended) throw py::stop_iteration();
        // Ctrl+C reaches the script after every wait, a cycle or not: a list(watch)
        // calls here without ever going back to the interpreter's own signal check.
        if (PyErr_CheckSignals() != 0) {
            py::gil_scoped_release release;
            watch.Stop();
            throw py::error_already_set();
        }
        if (step == ScriptWatch::Step::Cycle) break;
    }
    py::dict values;
    for (std::size_t i = 0; i < watch.items().size(); ++i) {
        const monitor::WatchItem& item = watch.items()[i];
        values[py::str(item.label)] = ValueToPython(cycle.Row(item.list, watch.rows()[i]));
    }
    return py::make_tuple(elapsedMs, values);
}

void InitWatch(py::module_& m)
{
    py::class_<ScriptWatch, std::shared_ptr<ScriptWatch>>(
        m, "Watch", "Items read every interval; iterate for (time_ms, {item: value}).")
        .def("__iter__", [](py::object self) { return self; }, "__iter__(self)\n--\n\nThe watch itself.")
        .def("__next__", &NextCycle,
             "__next__(self)\n--\n\nThe next cycle: (time_ms, {item: value}).")
        .def("close", &ScriptWatch::Stop, py::call_guard<py::gil_scoped_release>(),
             "close(self)\n--\n\nStops reading; iteration ends.")
        .def("__enter__", [](py::object self) { return self; }, "__enter__(self)\n--\n\nThe watch itself.")
        .def(
            "__exit__",
            [](ScriptWatch& watch, py::args) {
                py::gil_scoped_release release;
                watch.Stop();
            },
            "__exit__(self, *args)\n--\n\nStops reading.");
}

} // namespace

void InitMonitor(py::module_& m)
{
    InitWatch(m);
    py::class_<ScriptMonitor, std::shared_ptr<ScriptMonitor>>(
        m, "Monitor", "Reads, writes and watches target variables through the POD.")
        .def(
            "read",
            [](ScriptMonitor& monitor, const std::string& text) {
                const monitor::WatchItem& item = monitor.Resolve(text);
                monitor::Reading reading;
                {
                    py::gil_scoped_release release;
                    reading = monitor.Read(item);
                }
                return ValueToPython(monitor.options().types, item, reading);
            },
            py::arg("item"),
            "read(self, item)\n--\n\n"
            "The item's value: an int (a bit field's or an enum's number too), a float for "
            "FLOAT and the fractions, a str for ASCII. ITEM as on the "
            "command line: \"sineWave\", \"sineWave:FLOAT\", \"0x0080:UINT16\".")
        .def(
            "write",
            [](ScriptMonitor& monitor, const std::string& text, py::handle value) {
                const monitor::WatchItem& item = monitor.Resolve(text);
                const monitor::WriteRequest request = WriteRequestFrom(item, value);
                py::gil_scoped_release release;
                monitor.Write(item, request);
            },
            py::arg("item"), py::arg("value"),
            "write(self, item, value)\n--\n\n"
            "Writes a value and reads it back: a str read strictly as quobin-cli write reads "
            "it, or an int or float within the view type's range. Raises quobin.Error when "
            "the write fails or the target shows another value.")
        .def(
            "watch",
            [](const std::shared_ptr<ScriptMonitor>& monitor, const std::vector<std::string>& items,
               long long intervalMs, std::optional<long long> count,
               std::optional<double> durationS) {
                // Checked as quobin-cli checks --interval, --count and --duration: a count
                // of 0 or an endless duration would never end by itself.
                if (const std::string refusal =
                        monitor::WatchLimitsRefusal(intervalMs, count, durationS);
                    !refusal.empty())
                    throw ScriptError::Usage(refusal);
                py::gil_scoped_release release;
                return std::make_shared<ScriptWatch>(
                    monitor, items, static_cast<std::uint32_t>(intervalMs),
                    static_cast<std::uint64_t>(count.value_or(0)), durationS.value_or(0));
            },
            py::arg("items"), py::arg("interval_ms") = 100, py::arg("count") = py::none(),
            py::arg("duration_s") = py::none(),
            "watch(self, items, interval_ms=100, count=None, duration_s=None)\n--\n\n"
            "Reads the items every interval_ms until count cycles or duration_s seconds.")
        .def(
            "_core_read_us",
            [](ScriptMonitor& monitor, const std::string& text, int count) {
                const monitor::WatchItem& item = monitor.Resolve(text);
                py::gil_scoped_release release;
                return monitor.TimeCoreReads(item, count);
            },
            "_core_read_us(self, item, count)\n--\n\n"
            "Microseconds per read of the item in the core, count reads in a row (for the "
            "benchmark).");
}

} // namespace script
