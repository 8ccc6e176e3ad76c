#pragma once

#include <string>

#include "pod/PodOutcome.h"

namespace report {

// Why a POD command failed, in the user's words: "the POD answered error 07 (no target
// on the cable)", "the POD did not answer within 100 ms", ... "" for an ok outcome.
std::string DescribeOutcome(const pod::PodOutcome& outcome);

} // namespace report
