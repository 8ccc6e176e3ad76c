#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "pod/PodOutcome.h"

namespace pod {
class PodSession;
}
namespace image {
class McuSelection;
struct FlashImageSet;
struct RunSettings;
} // namespace image

namespace ops {

class ProgrammerView;

// Everything one target or POD sequence reads, prepared before it starts. The
// sequences run on the operation worker with the POD session held for the whole run.
struct TransferJob {
    pod::PodSession& session;
    ProgrammerView& view;
    const image::McuSelection& selection;
    const image::FlashImageSet& images;
    const image::RunSettings& settings;
    std::uint8_t programMode = 0; // 0 verify, 1 write, 2 write and verify
    std::array<std::uint32_t, 4> wordsSent{};
    // Set from outside to end the run at the next block boundary; never mid-block, so the
    // POD and the chip are left between two whole exchanges.
    const std::atomic<bool>* stop = nullptr;
    const std::atomic<bool>* cancel = nullptr; // the station's, for every POD at once
    // The overall progress: the words of every ticked region, and when the first went.
    std::uint64_t plannedWords = 0;
    bool transferStarted = false;
    std::uint32_t transferStartMs = 0;
    // What became of the command that failed the run, for the reason shown beside the
    // status text; ok while nothing failed.
    pod::PodOutcome failure = pod::PodOutcome::Ok();
};

// Keeps the outcome of a failed command as the run's failure; true when it succeeded.
inline bool Succeeded(TransferJob& job, const pod::PodOutcome& outcome)
{
    if (!outcome) job.failure = outcome;
    return outcome.ok();
}

} // namespace ops
