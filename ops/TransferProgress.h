#pragma once

#include <cstdint>
#include <string>

namespace ops {

class ProgrammerView;
struct TransferJob;

// Where a flash run stands as a whole, besides the per-region bar: the region being
// sent, its place among the run's regions, and the words sent against all the run sends.
struct TransferProgress {
    std::string region;          // "P1FLASH"
    int ordinal = 0;             // 1-based among the run's ticked regions
    int count = 0;               // ticked regions of the run
    std::uint64_t wordsDone = 0; // of every region so far
    std::uint64_t wordsTotal = 0;
    std::uint32_t elapsedMs = 0; // since the transfer of the first region began
};

// "P1FLASH 2/3, about 14 s left"; the time left follows from the pace so far and is
// left out until a word has gone.
std::string TransferProgressText(const TransferProgress& progress);

// The words the job's ticked regions will send; the total of its overall progress.
std::uint64_t PlannedWords(const TransferJob& job);

// Tells the job's view where the run stands, after a page or block of a region.
void ReportTransfer(TransferJob& job, int region);

// True once the run was asked to stop; a sequence stops only between blocks.
bool StopRequested(const TransferJob& job);

} // namespace ops
