#pragma once

#include <string>

#include "cli/CommandContext.h"

namespace cli {

// quobin-cli mcus [--json]: the catalogue of supported parts.
void AddMcusCommand(CLI::App& app, CommandList& commands);

// The catalogue as JSON: an array of 28 objects.
std::string McusJson();

} // namespace cli
