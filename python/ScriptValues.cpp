#include "python/ScriptValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "monitor/ValueText.h"
#include "python/ScriptError.h"

namespace py = pybind11;

namespace script {

namespace {

py::object NumberToPython(monitor::ViewType viewType, const std::optional<double>& value,
                          const std::string& text)
{
    if (!value) return py::str(text);
    if (viewType == monitor::FRAC16 || viewType == monitor::FRAC32) return py::float_(*value);
    if (viewType == monitor::FLOAT) {
        // The single read, as the shortest decimal that reads back as it (0.1, not the
        // 0.10000000149011612 it widens to), so a value written compares equal when read.
        char text[32];
        const auto written =
            std::to_chars(text, text + sizeof text - 1, static_cast<float>(*value));
        *written.ptr = '\0';
        return py::float_(std::strtod(text, nullptr));
    }
    return py::int_(static_cast<long long>(*value));
}

// The text quobin-cli would have been given for a whole number, so that its strict
// reading (and its words for a refusal) decide: Python's own digits, hexadecimal for the
// HEX and byte types, so that a number of any size is named as it was given.
std::string WholeNumberText(monitor::ViewType viewType, const py::handle& number)
{
    const bool hex = monitor::TraitsOf(viewType).kind == monitor::ViewTypeTraits::Kind::Hex;
    return (hex ? py::module_::import("builtins").attr("hex")(number) : py::str(number))
        .cast<std::string>();
}

} // namespace

py::object ValueToPython(const monitor::TypedSymbols& types, const monitor::WatchItem& item,
                         const monitor::Reading& reading)
{
    if (item.typed && item.typed->viewType == item.viewType)
        if (const std::optional<std::int64_t> field = types.BitFieldValue(*item.typed, reading.raw))
            return py::int_(*field);
    return NumberToPython(item.viewType, reading.value, reading.text);
}

py::object ValueToPython(const monitor::MonitorItem& row)
{
    return NumberToPython(row.viewType, row.plotValue, row.valueText);
}

monitor::WriteRequest WriteRequestFrom(const monitor::WatchItem& item, py::handle value)
{
    const monitor::WriteTarget target = monitor::WriteTargetOf(item);
    const std::string refused = monitor::CannotWriteAs(target);
    std::string text;
    std::optional<monitor::WritePlan> plan;
    if (py::isinstance<py::str>(value)) {
        text = value.cast<std::string>();
    } else if (item.viewType == monitor::ASCII) {
        throw ScriptError::Refused(refused + "give a str");
    } else if (item.viewType == monitor::FLOAT &&
               (py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value))) {
        plan = monitor::PrepareFloatWrite(target, value.cast<double>(),
                                          py::repr(value).cast<std::string>());
    } else if ((item.viewType == monitor::FRAC16 || item.viewType == monitor::FRAC32) &&
               (py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value))) {
        // Python's repr is the shortest text that reads back as the number.
        text = py::repr(value).cast<std::string>();
    } else if (py::isinstance<py::int_>(value)) {
        text = WholeNumberText(item.viewType, value);
    } else if (py::isinstance<py::float_>(value)) {
        const double number = value.cast<double>();
        if (!std::isfinite(number) || std::floor(number) != number)
            throw ScriptError::Refused(refused + py::repr(value).cast<std::string>() +
                              " is not a whole number");
        text = WholeNumberText(item.viewType, py::int_(py::reinterpret_borrow<py::object>(value)));
    } else {
        throw ScriptError::Refused(refused + "give an int, a float or a str, not " +
                          py::str(py::type::of(value).attr("__name__")).cast<std::string>());
    }
    if (!plan) plan = monitor::PrepareWrite(target, text);
    if (!plan->request) throw ScriptError::Refused(plan->refusal);
    return std::move(*plan->request);
}

} // namespace script
