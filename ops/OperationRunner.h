#pragma once

#include "image/RunChoices.h"
#include "image/RunSettings.h"
#include "ops/CommandResult.h"
#include "ops/OperationMode.h"
#include "ops/RunRecord.h"
#include "pod/PodOutcome.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pod {
class PodSession;
}
namespace image {
class McuSelection;
struct FlashImageSet;
} // namespace image

namespace ops {

class MonitorControl;
class ProgrammerView;

// Outcome of the last flash operation or firmware update, for the command line and tests.
struct RunResult {
    bool ok = false;
    std::string message; // the final status line
    std::uint32_t elapsedMs = 0;
    std::array<std::uint32_t, 4> wordsSent{}; // per region, DFLASH..P2FLASH
    bool interrupted = false;                 // stopped on request; wordsSent says how far
    int messageId = 0;     // the failure's status line in the message table; 0 for a literal
    pod::PodOutcome failure; // the failing command's outcome; Ok when no exchange failed
    RunRecord record;                         // of a flash operation, for the run log
};

// Runs the programmer's POD work: the six flash operations and the firmware update
// on a worker thread, the version query and the target reset synchronously. One
// worker at a time; a start while one runs is refused. The worker is joined before
// the runner goes away.
class OperationRunner {
public:
    OperationRunner(pod::PodSession& session, image::McuSelection& selection,
                    image::FlashImageSet& images, ProgrammerView& view, MonitorControl& monitor);
    ~OperationRunner();
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    // Starts a flash operation on the worker; false (and nothing happens) while a
    // worker is still running.
    bool Start(OperationMode mode, const image::RunChoices& choices);
    bool StartFirmwareUpdate();
    // The version query and the target reset on the worker, so that a silent POD never
    // holds up the caller's thread for the exchanges' time-outs.
    bool StartQueryVersion();
    bool StartResetTarget(int resetPolarityIndex, int resetDelayIndex);
    // Asks a running flash operation to end after the block in progress; it then fails
    // with the current region's message and is marked interrupted. The chip is left
    // partly programmed.
    void RequestStop();
    // A second stop request that every run obeys, owned by whoever cancels several
    // runners at once (a signal handler may set it); set once, before the first run.
    void SetCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    // Where a flash run writes its part, S file and result for a support trace; set once,
    // before the first run.
    void SetTraceNote(std::function<void(const std::string&)> note) { m_traceNote = std::move(note); }
    // Where each flash run's record goes as the run ends, on the worker, before the
    // result is taken (a run log); set once, before the first run.
    void SetRecordSink(std::function<void(const RunRecord&)> sink) { m_recordSink = std::move(sink); }
    bool IsBusy() const;
    // Blocks until the current worker has ended (the command line and tests use it).
    void Wait();
    RunResult LastResult() const;

    // The S-file load of the window's start-up and browse, on the UI thread: reports to
    // the view and takes the settings for later commands. Refused while a worker runs.
    LoadResult LoadSFile(const image::RunChoices& choices);

    // Synchronous POD work of the version and reset buttons. Each holds the POD for
    // its exchanges, so it can never interleave with a worker's.
    VersionResult QueryVersion();
    // The POD opened (or the open one kept) for monitoring; 117 or 118 when it cannot be.
    CommandResult OpenPod();
    // The part is the one of the last S-file load unless mcuType names another (the
    // command line has no load before a reset).
    CommandResult ResetTarget(int resetPolarityIndex, int resetDelayIndex, int mcuType = -1);

    // The settings in effect for commands outside a run: taken by the last S-file load
    // that passed its path and region checks, the reset fields also by each reset.
    image::RunSettings Settings() const;

private:
    bool TryStartWorker(std::function<void()> work);
    // Reuses or opens the POD for the version and reset buttons; a POD that is missing
    // or cannot be opened is reported (117, 118) and the connection left closed.
    bool EnsurePodForCommand(ProgrammerView& view);
    // The version query and reset with the POD already held.
    VersionResult DoQueryVersion();
    CommandResult DoResetTarget(int resetPolarityIndex, int resetDelayIndex, int mcuType);
    void RunOperation(OperationMode mode, const image::RunChoices& choices);
    // The record's start: the time, part, file and regions, noted in the trace.
    RunRecord BeginRecord(const image::RunChoices& choices);
    // A flash run's POD work, the POD held: open, load, then write and/or verify.
    void TransferWithPodHeld(OperationMode mode, const image::RunChoices& choices,
                             ProgrammerView& view, RunResult& result);
    void RunFirmwareUpdate();
    LoadResult LoadSFile(const image::RunChoices& choices, ProgrammerView& view);
    bool StopRequested() const;
    // Records the result and clears the busy flag; the worker's last step before it
    // gives the controls back.
    void Finish(RunResult result);

    pod::PodSession& m_session;
    image::McuSelection& m_selection;
    image::FlashImageSet& m_images;
    ProgrammerView& m_view;
    MonitorControl& m_monitor;

    mutable std::mutex m_mutex; // guards m_settings and m_lastResult
    image::RunSettings m_settings;
    RunResult m_lastResult;
    std::vector<std::string> m_lastWarnings; // of the last S-file load

    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_stop{false};
    const std::atomic<bool>* m_cancel = nullptr;
    std::jthread m_worker;
    std::function<void(const std::string&)> m_traceNote;
    std::function<void(const RunRecord&)> m_recordSink;
};

} // namespace ops
