// Monitor and Watch: target variables read, written and watched through the POD.
#include <pybind11/stl.h>

#include <algorithm>
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

monitor::recorder::Edge EdgeFrom(const std::string& edge)
{
    if (edge == "rising") return monitor::recorder::Edge::Rising;
    if (edge == "falling") return monitor::recorder::Edge::Falling;
    if (edge == "either") return monitor::recorder::Edge::Either;
    throw ScriptError::Usage("the edge is \"rising\", \"falling\" or \"either\", not \"" + edge + "\"");
}

// Monitor.record: the capture, with Ctrl+C heard between two looks at the recorder (it is
// then stopped and KeyboardInterrupt raised).
py::object Record(ScriptMonitor& monitor, std::vector<std::string> items, long long samples, long long divider,
                  std::optional<std::string> trigger, const std::string& edge, double level, long long pretrigger,
                  long long loopHz, long long intervalMs)
{
    const auto inRange = [](const char* name, long long value, long long low, long long high) {
        if (value < low || value > high)
            throw ScriptError::Usage(std::string(name) + " is " + std::to_string(low) + " to " + std::to_string(high));
        return value;
    };
    monitor::RecordRequest request;
    request.samples = static_cast<std::uint16_t>(inRange("samples", samples, 1, 65535));
    request.divider = static_cast<std::uint16_t>(inRange("divider", divider, 1, 65535));
    request.preTrigger = static_cast<std::uint16_t>(inRange("pretrigger", pretrigger, 0, 65535));
    request.loopHz = static_cast<std::uint32_t>(inRange("loop_hz", loopHz, 1, 10'000'000));
    request.pollMs = static_cast<std::uint32_t>(inRange("interval_ms", intervalMs, 1, 60'000));
    if (request.preTrigger >= request.samples)
        throw ScriptError::Usage("pretrigger " + std::to_string(request.preTrigger) + " leaves no sample of the " +
                                 std::to_string(request.samples) + " for the trigger and after it");
    request.edge = EdgeFrom(edge);
    request.level = level;
    if (trigger) {
        // A trigger not listed is recorded too: the recorder compares its samples.
        auto at = std::find(items.begin(), items.end(), *trigger);
        if (at == items.end()) at = items.insert(items.end(), *trigger);
        request.triggerItem = static_cast<std::size_t>(at - items.begin());
    }
    monitor::Recording recording;
    monitor::RecordResult result;
    {
        py::gil_scoped_release release;
        result = monitor.Record(items, request, [](const monitor::RecordProgress&) {
            py::gil_scoped_acquire acquire;
            return PyErr_CheckSignals() == 0;
        }, recording);
    }
    if (result.interrupted) throw py::error_already_set();
    py::list times;
    for (std::size_t i = 0; i < recording.size(); ++i) times.append(static_cast<double>(recording.TimeNs(i)) / 1e9);
    py::dict values;
    for (const monitor::RecordedChannel& channel : recording.channels) {
        const bool whole = monitor::HasWholeValues(channel.viewType);
        py::list column;
        for (const auto& value : channel.values) {
            if (whole) column.append(py::int_(static_cast<long long>(value.value_or(0))));
            else column.append(py::float_(value.value_or(0)));
        }
        values[py::str(channel.label)] = column;
    }
    py::dict capture;
    capture["times_s"] = times;
    capture["values"] = values;
    capture["trigger_sample"] = recording.triggerSample;
    capture["period_s"] = static_cast<double>(recording.periodNs) / 1e9;
    return capture;
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
        .def("record", &Record, py::arg("items"), py::arg("samples") = 512, py::arg("divider") = 1,
             py::arg("trigger") = py::none(), py::arg("edge") = "rising", py::arg("level") = 0.0,
             py::arg("pretrigger") = 0, py::arg("loop_hz") = 10000, py::arg("interval_ms") = 100,
             "record(self, items, samples=512, divider=1, trigger=None, edge=\"rising\", level=0.0, pretrigger=0, "
             "loop_hz=10000, interval_ms=100)\n--\n\n"
             "Captures the items with the firmware's recorder (target/quobin_recorder.c) at the control "
             "loop's own rate: a sample every divider calls, starting at once or when the trigger item "
             "crosses level on edge (\"rising\", \"falling\", \"either\"), pretrigger samples kept from "
             "before it. Returns {\"times_s\": [...], \"values\": {item: [...]}, \"trigger_sample\": n, "
             "\"period_s\": s}, the times exact from the trigger for a loop called loop_hz times a second. "
             "Ctrl+C stops the recorder and raises KeyboardInterrupt.")
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
