#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace app {

// The window program's command line, with the command-line tool's meanings:
//   --simulate (or QUOBIN_SIMULATE=1)  run on the emulated POD
//   --sim-NAME[=VALUE], --sim-NAME VALUE  emulator settings, handed to the emulator as given
//   --driver ftdi|d2xx|sim             USB back end
//   --resources DIR                    replacement flash routines and firmware
//   --trace FILE                       log every USB call
// and the hidden --screenshot FILE that saves the window once it is up, then quits.
struct AppOptions {
    bool simulate = false;
    QString driver; // empty: the platform's default back end
    QString resources;
    QString trace;
    QString screenshot;
    std::vector<std::pair<QString, QString>> simOptions; // name without "--sim-", value

    // Parses the arguments (argument 0 is the program). On a usage error returns no value
    // and sets error to a line for the user; --help and --version fill error with their
    // text and set exitNow.
    static std::optional<AppOptions> Parse(const QStringList& arguments, bool simulateFromEnv,
                                           QString& message, bool& exitNow);
};

} // namespace app
