// quobin.Error and the exceptions under it, one per kind of failure a test wants to tell
// apart; the usage and value errors are ValueErrors as well, as Python code expects.
#include "python/ModuleParts.h"
#include "python/ScriptError.h"

namespace py = pybind11;

namespace script {

namespace {

struct ErrorClass {
    ErrorKind kind;
    const char* name;
    const char* doc;
};

constexpr ErrorClass kClasses[] = {
    {ErrorKind::NoAnswer, "NoAnswer", "The POD did not answer within the time-out."},
    {ErrorKind::LinkLost, "LinkLost",
     "The POD is not attached, could not be opened, or the connection to it was lost."},
    {ErrorKind::ErrorReply, "ErrorReply", "The POD refused the command; code is its error code."},
    {ErrorKind::ValueRefused, "ValueRefused",
     "The value cannot be written to the item (its kind, range or characters)."},
    {ErrorKind::Usage, "UsageError",
     "An argument names nothing or does not fit, as quobin-cli would refuse it."},
};

// The classes by kind, borrowed from the module that holds them (a handle never drops
// a reference after the interpreter has gone); NoTarget is an ErrorReply (error 07).
py::handle g_classes[static_cast<int>(ErrorKind::Usage) + 1];

py::object ClassOf(ErrorKind kind)
{
    return py::reinterpret_borrow<py::object>(g_classes[static_cast<int>(kind)]);
}

} // namespace

void InitErrors(py::module_& m)
{
    const py::object exception = py::module_::import("builtins").attr("Exception");
    const py::object valueError = py::module_::import("builtins").attr("ValueError");
    const auto make = [&](const char* name, py::tuple bases, const char* doc) {
        py::dict attributes;
        attributes["__doc__"] = doc;
        attributes["__module__"] = "quobin";
        py::object type = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type));
        py::object made = type(name, bases, attributes);
        m.attr(name) = made;
        return made;
    };
    const py::object error = make("Error", py::make_tuple(exception),
                                  "A failure of Quobin's; message holds quobin-cli's words for it.");
    g_classes[static_cast<int>(ErrorKind::Other)] = error;
    for (const ErrorClass& c : kClasses) {
        const bool isValueError = c.kind == ErrorKind::ValueRefused || c.kind == ErrorKind::Usage;
        g_classes[static_cast<int>(c.kind)] =
            make(c.name, isValueError ? py::make_tuple(error, valueError) : py::make_tuple(error), c.doc);
    }
    g_classes[static_cast<int>(ErrorKind::NoTarget)] =
        make("NoTarget", py::make_tuple(ClassOf(ErrorKind::ErrorReply)),
             "Nothing on the POD's cable answered (error 07): no target, or it has no power.");

    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const ScriptError& e) {
            const py::object type = ClassOf(e.kind());
            py::object instance = type(e.what());
            instance.attr("message") = e.what();
            instance.attr("code") = e.code() >= 0 ? py::object(py::int_(e.code())) : py::object(py::none());
            PyErr_SetObject(type.ptr(), instance.ptr());
        }
    });
}

} // namespace script
