#include "ops/PodImageWrite.h"
#include "ops/TransferProgress.h"

#include "image/FlashImageSet.h"
#include "image/McuCatalog.h"
#include "image/RunSettings.h"
#include "ops/ProgrammerView.h"
#include "ops/RegionText.h"
#include "report/Messages.h"
#include "pod/PodCommands.h"

#include <algorithm>
#include <span>

namespace ops {

namespace {

// The POD stores each region from a fixed block number on, 264 words a block.
constexpr std::uint32_t kBlockWords = 264;
constexpr std::uint16_t kFirstBlock[] = {100, 600, 1100, 2100};

bool RegionWrite(TransferJob& job, int region)
{
    const std::uint32_t length = job.images.programmedLength(region);
    job.view.SetProgressRange(static_cast<int>(length / kBlockWords));
    job.view.SetProgressStep(1);
    job.view.SetStatusText(RegionActivityText(region, job.programMode));

    const std::span<const std::uint16_t> words = job.images.image(region).first(length);
    std::uint32_t block = kFirstBlock[region];
    std::size_t offset = 0;
    // Always at least one block: a selected region without words is stored as an
    // empty block, which is what the POD's job format expects.
    do {
        job.view.StepProgress();
        const std::size_t count = std::min<std::size_t>(kBlockWords, words.size() - offset);
        if (!Succeeded(job, pod::CmdPodWriteBlock(job.session, job.programMode,
                                                  static_cast<std::uint16_t>(block),
                                                  words.subspan(offset, count))))
            return false;
        job.wordsSent[region] += static_cast<std::uint32_t>(count);
        ReportTransfer(job, region);
        offset += count;
        ++block;
        if (StopRequested(job) && offset < words.size()) return false;
    } while (offset < words.size());
    return true;
}

} // namespace

bool PodImageWrite(TransferJob& job)
{
    const image::RunSettings& s = job.settings;
    job.view.SetStatusText("");
    job.plannedWords = PlannedWords(job);

    std::uint32_t counts[image::kRegionCount] = {};
    for (int r = 0; r < image::kRegionCount; ++r)
        counts[r] = s.regions[r] ? job.images.programmedLength(r) : 0;
    const auto loader = image::LoaderFor(s.mcuType);
    // No routine for the part (an unknown type): nothing of the job is sent.
    if (loader.empty()) {
        job.view.ReportStatus(report::kMsgPodLoaderFailed, true);
        return false;
    }
    if (!Succeeded(job, pod::CmdPodWriteInfo(
                            job.session, job.programMode, static_cast<std::uint8_t>(s.mcuType),
                            s.resetAfter ? 1 : 0, static_cast<std::uint8_t>(s.resetPolarity),
                            s.resetDelayMs, static_cast<std::uint16_t>(loader.size()), counts))) {
        job.view.ReportStatus(report::kMsgPodInfoFailed, true);
        return false;
    }
    if (!Succeeded(job, pod::CmdPodWriteLoader(job.session, job.programMode, loader))) {
        job.view.ReportStatus(report::kMsgPodLoaderFailed, true);
        return false;
    }
    constexpr int failures[] = {report::kMsgDflashToPodFailed, report::kMsgBflashToPodFailed,
                                report::kMsgP1flashToPodFailed, report::kMsgP2flashToPodFailed};
    for (int region = 0; region < image::kRegionCount; ++region) {
        if (s.regions[region] && !RegionWrite(job, region)) {
            job.view.ReportStatus(failures[region], true);
            return false;
        }
    }
    return true;
}

} // namespace ops
