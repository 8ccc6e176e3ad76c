// The Python module `quobin`: one open POD for bench tests, over the core and the station
// quobin-cli uses. Every exchange with the POD runs with the GIL released; failures raise
// quobin.Error or one of the exceptions under it.
#include <pybind11/pybind11.h>

namespace py = pybind11;

#include "python/ModuleParts.h"
#include "quobin/Version.h"

PYBIND11_MODULE(quobin, m)
{
    // Every docstring starts with its Python signature ("name(self, a, b=1)" and "--"),
    // which inspect.signature reads; the types are in quobin.pyi beside the module.
    py::options options;
    options.disable_function_signatures();
    m.doc() = "Program and monitor 56800/56800E controllers through the Quobin POD.";
    m.attr("__version__") = quobin::kVersion;
    script::InitErrors(m);
    script::InitSymbols(m);
    script::InitMonitor(m);
    script::InitPod(m);
}
