#include "ops/TransferProgress.h"

#include "image/FlashImageSet.h"
#include "image/McuCatalog.h"
#include "image/RunSettings.h"
#include "ops/ProgrammerView.h"
#include "ops/TransferJob.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"

namespace ops {

std::string TransferProgressText(const TransferProgress& progress)
{
    std::string text = progress.region + ' ' + std::to_string(progress.ordinal) + '/' +
                       std::to_string(progress.count);
    if (progress.wordsDone == 0 || progress.wordsDone >= progress.wordsTotal) return text;
    const std::uint64_t left = progress.wordsTotal - progress.wordsDone;
    const std::uint64_t leftMs = progress.elapsedMs * left / progress.wordsDone;
    return text + ", about " + std::to_string((leftMs + 999) / 1000) + " s left";
}

std::uint64_t PlannedWords(const TransferJob& job)
{
    std::uint64_t words = 0;
    for (int r = 0; r < image::kRegionCount; ++r)
        if (job.settings.regions[r]) words += job.images.programmedLength(r);
    return words;
}

void ReportTransfer(TransferJob& job, int region)
{
    TransferProgress progress;
    progress.region = image::RegionName(region);
    for (int r = 0; r < image::kRegionCount; ++r) {
        if (!job.settings.regions[r]) continue;
        ++progress.count;
        if (r <= region) ++progress.ordinal;
    }
    for (std::uint32_t words : job.wordsSent)
        progress.wordsDone += words;
    progress.wordsTotal = job.plannedWords;
    const std::uint32_t now = job.session.clock().NowMs();
    if (!job.transferStarted) {
        job.transferStarted = true;
        job.transferStartMs = now;
    }
    progress.elapsedMs = now - job.transferStartMs;
    job.view.ShowTransferProgress(progress);
}

bool StopRequested(const TransferJob& job)
{
    return (job.stop != nullptr && job.stop->load()) ||
           (job.cancel != nullptr && job.cancel->load());
}

} // namespace ops
