#pragma once

#include "cli/CommandContext.h"

namespace cli {

// quobin-cli devices: every FTDI device, the POD marked.
void AddDevicesCommand(CLI::App& app, CommandList& commands);
// quobin-cli version: the POD's firmware version.
void AddVersionCommand(CLI::App& app, CommandList& commands);
// quobin-cli reset: connect to the target and reset it.
void AddResetCommand(CLI::App& app, CommandList& commands);
// quobin-cli firmware-update: write the carried firmware into the POD.
void AddFirmwareUpdateCommand(CLI::App& app, CommandList& commands);

} // namespace cli
