#pragma once

#include "ops/RunRecord.h"
#include "ops/TransferProgress.h"
#include "report/StatusSink.h"

#include <array>
#include <string>

namespace ops {

// What the operations report to the programmer front end: the status line, progress
// and controls of StatusSink, plus the four region labels that every S-file load
// rewrites ("P1FLASH (1024 Word, 0.8%)"). Called from the operation worker; an
// implementation posts to its UI thread and never waits for it.
//
// The calls with a default body are extras that a front end may show or leave: where a
// run stands as a whole, warnings that do not stop it (a file that does not fit the
// part), remarks for the run log, and the record of each finished run.
class ProgrammerView : public report::StatusSink {
public:
    virtual void SetRegionLabels(const std::array<std::string, 4>& labels) = 0;
    virtual void ShowTransferProgress(const TransferProgress& progress) { (void)progress; }
    virtual void ShowWarning(const std::string& text) { (void)text; }
    virtual void ShowNote(const std::string& text) { (void)text; }
    // Why the command behind a failure status failed ("the POD answered error 07 (no
    // target on the cable)"), reported right after that status.
    virtual void ShowFailureReason(const std::string& reason) { (void)reason; }
    virtual void RunFinished(const RunRecord& record) { (void)record; }
};

} // namespace ops
