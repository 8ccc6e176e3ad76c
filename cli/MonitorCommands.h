#pragma once

#include <memory>

#include "cli/CommandContext.h"
#include "cli/WatchItems.h"

namespace cli {

class CliLink;

// The POD opened for a command on target memory, the part and map noted in the trace.
// Null after printing why (exitCode then says how to exit).
std::unique_ptr<CliLink> OpenPodForMonitoring(CommandContext& ctx, const MonitorOptions& options,
                                             int& exitCode);

// OpenPodForMonitoring, then the POD set to the monitoring baud rate, as START does.
std::unique_ptr<CliLink> OpenPodAtMonitorBaud(CommandContext& ctx, const MonitorOptions& options,
                                             int& exitCode);

// symbols MAP: the data symbols of a linker map as the monitoring window lists them.
void AddSymbolsCommand(CLI::App& app, CommandList& commands);
// read ITEM...: each variable read once.
void AddReadCommand(CLI::App& app, CommandList& commands);
// write ITEM VALUE: a value written as Change Value writes it, then read back.
void AddWriteCommand(CLI::App& app, CommandList& commands);
// watch ITEM...: the monitoring loop on a terminal or into a CSV file.
void AddWatchCommand(CLI::App& app, CommandList& commands);
// record ITEM...: a capture by the target's recorder, at the control loop's own rate.
void AddRecordCommand(CLI::App& app, CommandList& commands);

} // namespace cli
