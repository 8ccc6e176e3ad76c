#pragma once

#include <pybind11/pybind11.h>

// The parts of the module `quobin`, each defined in its own file and added to the module
// in this order (a part may use the classes of the parts before it).
namespace script {

// quobin.Error and the exceptions under it.
void InitErrors(pybind11::module_& m);
// symbols(), Symbol and devices(): what needs no open POD.
void InitSymbols(pybind11::module_& m);
// Monitor and Watch: reading, writing and watching target variables.
void InitMonitor(pybind11::module_& m);
// Pod and ProgramResult: the POD, its version, reset and flash runs.
void InitPod(pybind11::module_& m);

} // namespace script
