#pragma once

#include "cli/JsonText.h"
#include "ops/OperationRunner.h"

#include <string>

namespace cli {

// One POD's flash run as program and pod-write print it with --json, whether one POD ran
// or several: serial, ok, part, message, reason, elapsed_ms, words_sent per region,
// interrupted.
Json RunJson(const std::string& serial, const ops::RunResult& result);

} // namespace cli
