#include "ops/TargetDownload.h"
#include "ops/TransferProgress.h"

#include "image/FlashImageSet.h"
#include "image/McuCatalog.h"
#include "image/McuSelection.h"
#include "image/RunSettings.h"
#include "ops/ProgrammerView.h"
#include "ops/RegionText.h"
#include "report/Messages.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"

#include <algorithm>
#include <span>

namespace ops {

namespace {

constexpr std::uint32_t kBufferBlockWords = 256;

bool IsFamily56800(int mcuType)
{
    return mcuType <= 6;
}

std::uint32_t RegionMask(const image::RunSettings& s)
{
    return pod::RegionMask(s.regions[image::kDflash], s.regions[image::kBflash],
                           s.regions[image::kP1flash], s.regions[image::kP2flash]);
}

// A region's words from target address `address` on, `count` of them.
std::span<const std::uint16_t> WordsAt(const TransferJob& job, int region, std::uint32_t address,
                                       std::uint32_t count)
{
    const std::uint32_t offset = address - job.selection.first(region);
    return job.images.image(region).subspan(offset, count);
}

// After a failed transfer the link is in an unknown state: drop the connection and
// the driver, so that the next operation detects the POD afresh.
bool FailTransfer(TransferJob& job)
{
    job.session.ClosePodSession();
    job.session.ForgetLibrary();
    return false;
}

bool RegionTransferA(TransferJob& job, int region)
{
    job.view.SetStatusText(RegionActivityText(region, job.programMode));
    const std::uint32_t start = job.selection.first(region);
    const std::uint32_t length = job.images.programmedLength(region);
    if (length == 0) {
        // Nothing of this region is in the file: there is nothing to write or compare.
        job.view.SetProgressRange(0);
        return true;
    }
    const std::uint32_t shift = job.selection.pageShift(region);
    const std::uint32_t lastWord = start + length - 1;
    const std::uint32_t firstPage = start >> shift;
    const std::uint32_t lastPage = lastWord >> shift;
    job.view.SetProgressRange(static_cast<int>(lastPage - firstPage));
    job.view.SetProgressStep(1);

    std::uint32_t address = start;
    for (std::uint32_t page = firstPage; page <= lastPage; ++page) {
        const std::uint32_t pageLast = (page << shift) + (1u << shift) - 1;
        const std::uint32_t chunkLast = std::min(pageLast, lastWord);
        const std::uint32_t count = chunkLast - address + 1;
        if (!Succeeded(job, pod::CmdProgramPage(job.session, job.programMode,
                                                static_cast<std::uint32_t>(region), address,
                                                WordsAt(job, region, address, count))))
            return FailTransfer(job);
        job.wordsSent[region] += count;
        job.view.StepProgress();
        ReportTransfer(job, region);
        address = chunkLast + 1;
        if (StopRequested(job) && address <= lastWord) return FailTransfer(job);
    }
    return true;
}

bool RegionTransferB(TransferJob& job, int region)
{
    job.view.SetStatusText(RegionActivityText(region, job.programMode));
    const std::uint32_t start = job.selection.first(region);
    const std::uint32_t end = start + job.images.programmedLength(region);
    const std::uint32_t shift = job.selection.pageShift(region);
    const std::uint32_t pageWords = 1u << shift;
    const std::uint32_t firstPage = start >> shift;
    const std::uint32_t lastPage = end >> shift;
    job.view.SetProgressRange(static_cast<int>((lastPage - firstPage) * (pageWords / 256)));
    job.view.SetProgressStep(1);

    std::uint32_t address = start;
    // A region that ends on a page boundary, or holds nothing, would give a last
    // chunk of no words; such a commit does nothing on the POD and is not sent.
    while (address < end) {
        const std::uint32_t pageEnd = ((address >> shift) + 1) << shift;
        const std::uint32_t chunkEnd = std::min(pageEnd, end);
        const auto words = WordsAt(job, region, address, chunkEnd - address);
        const std::uint16_t checksum = pod::WordChecksum(words);
        for (std::size_t offset = 0, block = 0; offset < words.size();
             offset += kBufferBlockWords, ++block) {
            const auto blockWords = words.subspan(
                offset, std::min<std::size_t>(kBufferBlockWords, words.size() - offset));
            if (!Succeeded(job, pod::CmdBufferChunk(job.session, static_cast<std::uint32_t>(block),
                                                    blockWords)))
                return FailTransfer(job);
            job.view.StepProgress();
        }
        if (!Succeeded(job, pod::CmdProgramBuffered(
                                job.session, job.programMode, static_cast<std::uint32_t>(region),
                                address, static_cast<std::uint32_t>(words.size()), checksum)))
            return FailTransfer(job);
        job.wordsSent[region] += static_cast<std::uint32_t>(words.size());
        ReportTransfer(job, region);
        address = chunkEnd;
        // The page's buffered blocks and their commit belong together: a stop waits for both.
        if (StopRequested(job) && address < end) return FailTransfer(job);
    }
    return true;
}

void ReleaseTarget(TransferJob& job, bool resetAndRun)
{
    // After a failed region the connection is already gone and there is nobody to
    // tell. The answer does not change the outcome: the flash is already written. But
    // a release left unanswered may still be answered late, or the POD may have dropped
    // off the bus; a connection kept open would hand that to the next operation, so
    // the next one opens the POD afresh.
    if (!job.session.IsOpen()) return;
    if (!pod::CmdReleaseTarget(job.session, resetAndRun ? 1 : 0)) job.session.ClosePodSession();
}

} // namespace

bool TargetDownload(TransferJob& job)
{
    const image::RunSettings& s = job.settings;
    const int type = s.mcuType;
    const bool family56800 = IsFamily56800(type);
    job.view.ReportStatus(report::kMsgInitializing, false);
    job.plannedWords = PlannedWords(job);

    if (!Succeeded(job, pod::CmdConnectTarget(
                            job.session, static_cast<std::uint8_t>(type),
                            family56800 ? pod::kConnect56800 : pod::kConnect56800E,
                            static_cast<std::uint8_t>(s.resetPolarity), s.resetDelayMs))) {
        job.view.ReportStatus(report::kMsgJtagInitFailed, true);
        return false;
    }

    const pod::PodResult<pod::TargetState> once = pod::CmdEnableOnce(job.session);
    Succeeded(job, once.outcome);
    const int state = once.value;
    if (state == pod::kTargetFailed) {
        job.view.ReportStatus(report::kMsgEonceFailed, true);
        return false;
    }
    if (!family56800 && state == pod::kTargetSecured) {
        if (!Succeeded(job, pod::CmdUnlockFlash(job.session))) {
            job.view.ReportStatus(report::kMsgUnlockFailed, true);
            return false;
        }
        const pod::PodResult<pod::TargetState> again = pod::CmdEnableOnce(job.session);
        if (!Succeeded(job, again.outcome) || again.value == pod::kTargetFailed) {
            job.view.ReportStatus(report::kMsgEonceFailed, true);
            return false;
        }
    }

    // No routine for the part (an unknown type) fails the step without sending.
    const auto loader = image::LoaderFor(type);
    if (loader.empty() || !Succeeded(job, pod::CmdTargetLoadLoader(job.session, loader))) {
        job.view.ReportStatus(report::kMsgLoaderToMcuFailed, true);
        return false;
    }

    // Unlocking mass-erases a secured 56800E part, so only a ready chip is erased.
    const bool writes = job.programMode == 1 || job.programMode == 2;
    const bool erase = writes && (family56800 || state == pod::kTargetReady);
    if (erase && !Succeeded(job, pod::CmdEraseFlash(job.session, RegionMask(s)))) {
        job.view.ReportStatus(report::kMsgEraseFailed, true);
        ReleaseTarget(job, true);
        return false;
    }

    constexpr int failures[] = {report::kMsgDflashToMcuFailed, report::kMsgBflashToMcuFailed,
                                report::kMsgP1flashToMcuFailed, report::kMsgP2flashToMcuFailed};
    for (int region = 0; region < image::kRegionCount; ++region) {
        if (!s.regions[region]) continue;
        const bool ok = family56800 ? RegionTransferA(job, region) : RegionTransferB(job, region);
        if (!ok) {
            job.view.ReportStatus(failures[region], true);
            ReleaseTarget(job, true);
            return false;
        }
    }

    ReleaseTarget(job, s.resetAfter);
    return true;
}

} // namespace ops
