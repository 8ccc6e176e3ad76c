#pragma once

#include "image/RunChoices.h"
#include "ops/MonitorControl.h"
#include "ops/OperationMode.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace pod {
class PodSession;
}

namespace app {

// Everything the programmer window asks of the core: the part list, the S-file load, the
// POD connection and the operations. Results come back through the window's
// ops::ProgrammerView, from whichever thread does the work. The program wires it to the
// catalogue, the POD session and the operation runner; tests replace it.
class ProgrammerBackend {
public:
    virtual ~ProgrammerBackend() = default;

    virtual int PartCount() const = 0;
    virtual std::string PartName(int type) const = 0;
    // Region-present flags of a part, DFLASH, BFLASH, P1FLASH, P2FLASH; all false for a
    // type outside the list.
    virtual std::array<bool, 4> RegionsPresent(int type) const = 0;

    // Loads the S file named by the snapshot and takes its settings; reports the outcome
    // and relabels the region boxes. Runs on the calling thread.
    virtual bool LoadSFile(const image::RunChoices& choices) = 0;
    // Opens the POD (or keeps the open connection); reports 117 or 118 on failure.
    virtual bool EnsurePodSession() = 0;

    // Starts work on a worker thread; false when a worker is still running.
    virtual bool Start(ops::OperationMode mode, const image::RunChoices& choices) = 0;
    virtual bool StartFirmwareUpdate() = 0;
    // Short exchanges, on a worker too: a silent POD must not freeze the window for the
    // time-outs. False when a worker is still running.
    virtual bool QueryVersion() = 0;
    virtual bool ResetTarget(int resetPolarityIndex, int resetDelayIndex) = 0;

    // The POD session that live monitoring shares with the operations; none when the
    // backend cannot monitor (the window then has no monitoring window).
    virtual pod::PodSession* MonitorSession() { return nullptr; }
    // Where a programming run stops monitoring and freezes its controls; set once, before
    // any run, and kept alive longer than the backend.
    virtual void SetMonitorControl(ops::MonitorControl* /*control*/) {}
    // Whether POD work is still going on (the window waits for it before it closes).
    virtual bool IsBusy() const { return false; }
    // Ends a flash run after the block in progress.
    virtual void RequestStop() {}

    // The serial numbers of the attached PODs, in the driver's order; none while POD work
    // holds the connection, so that the window never waits for it.
    virtual std::optional<std::vector<std::string>> AttachedPods()
    {
        return std::vector<std::string>{};
    }
    // Ties the connection, and so the monitoring window, to the POD with this serial
    // number (empty: the POD found by its description). False while POD work holds it.
    virtual bool ChoosePod(const std::string& serial)
    {
        (void)serial;
        return true;
    }
};

} // namespace app
