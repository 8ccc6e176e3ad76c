#pragma once

#include "podlink/LinkOptions.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// The window program's command line: the link options every Quobin program takes
// (--driver, --simulate, --sim-*, --resources, --trace), --help, --version, and the
// hidden --screenshot FILE that saves the window once it is up, then quits.
struct AppOptions {
    podlink::LinkOptions link;
    QString screenshot;

    // Parses the arguments (argument 0 is the program). On a usage error returns no value
    // and sets message to a line for the user; --help and --version fill message with
    // their text and set exitNow. Reads no environment and needs no application object,
    // so that it answers on a terminal without a display.
    static std::optional<AppOptions> Parse(const QStringList& arguments, QString& message,
                                           bool& exitNow);
};

} // namespace app
