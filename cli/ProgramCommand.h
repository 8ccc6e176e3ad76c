#pragma once

#include "cli/CommandContext.h"

namespace cli {

// quobin-cli program FILE [--write | --verify]: Target Write && Verify (or Write, or Verify).
void AddProgramCommand(CLI::App& app, CommandList& commands);
// quobin-cli pod-write FILE [--write | --verify]: POD Write && Verify (or Write, or Verify).
void AddPodWriteCommand(CLI::App& app, CommandList& commands);

} // namespace cli
