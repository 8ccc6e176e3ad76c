#pragma once

#include <pybind11/pybind11.h>

#include "monitor/WatchTarget.h"
#include "monitor/MonitorReader.h"
#include "monitor/WatchList.h"

namespace script {

// A value read, as Python sees it by the item's view type: a str for ASCII, a float for
// FLOAT and the fractions, an int for the rest (the signed types signed; a bit field its
// own bits, shifted down).
pybind11::object ValueToPython(const monitor::TypedSymbols& types, const monitor::WatchItem& item,
                               const monitor::Reading& reading);
pybind11::object ValueToPython(const monitor::MonitorItem& row);

// The write a Python value asks for: a str is read strictly as quobin-cli write reads
// its VALUE; an int or a float is taken by the view type's kind and range. Throws
// ScriptError when it does not fit or names a bit field, and nothing is sent.
monitor::WriteRequest WriteRequestFrom(const monitor::WatchItem& item, pybind11::handle value);

} // namespace script
