#pragma once

#include "cli/CommandContext.h"
#include "cli/ProductionRun.h"
#include "image/RunChoices.h"
#include "ops/OperationMode.h"

#include <string>
#include <vector>

namespace cli {

// A flash operation on several PODs at once (program or pod-write with more than one
// --serial, or --all-pods), or a production run on one or more: one worker and one
// connection per POD, a progress line per POD on a terminal, then a table or a JSON array
// with one entry per POD and, with a log file or a store, one line or record per POD
// and attempt. Exit 0 only when every POD succeeded and every record was kept.
struct GangRequest {
    std::vector<std::string> serials; // as given; empty with allPods or for the one POD
    bool allPods = false;
    ops::OperationMode mode = ops::OperationMode::TargetWriteVerify;
    image::RunChoices choices;
    bool json = false;
    std::string logFile;
    ProductionOptions production;
};

int RunGang(CommandContext& ctx, const GangRequest& request);

} // namespace cli
