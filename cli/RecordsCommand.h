#pragma once

#include "cli/CommandContext.h"

namespace cli {

// `records`: the production records a store holds, as a table, JSON or CSV; `records
// sync` sends a station's spool on to the line's server.
void AddRecordsCommand(CLI::App& app, CommandList& commands);

} // namespace cli
