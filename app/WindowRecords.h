#pragma once

#include <string>

class QSettings;

namespace station {
class Station;
}

namespace app {

// The production records the window keeps when its settings name a store, section
// "Records": "Store" (a SQLite file or postgresql://...), "Station" (default the host
// name), "Operator" (default the login name) and "Spool". Opened on the station before
// the window runs, so every run of the window is recorded as quobin-cli records it.
// What the user must hear: why no records are kept, or where they go instead of the
// server; empty when all is well or no store is set.
std::string OpenWindowRecords(station::Station& station, QSettings& settings);

} // namespace app
