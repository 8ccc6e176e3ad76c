#pragma once

#include "ops/DialogSnapshot.h"
#include "ops/OperationMode.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace pod {
class PodSession;
}
namespace image {
class McuSelection;
struct FlashImageSet;
}  // namespace image

namespace ops {

class MonitorControl;
class ProgrammerView;

// Outcome of the last flash operation or firmware update, for the command line and tests.
struct RunResult {
    bool ok = false;
    std::string message;                    // the final status line
    std::uint32_t elapsedMs = 0;
    std::array<std::uint32_t, 4> wordsSent{};  // per region, DFLASH..P2FLASH
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
    bool Start(OperationMode mode, const DialogSnapshot& dialog);
    bool StartFirmwareUpdate();
    bool IsBusy() const;
    // Blocks until the current worker has ended (the command line and tests use it).
    void Wait();
    RunResult LastResult() const;

    // Synchronous POD work of the version and reset buttons. Each holds the POD for
    // its exchanges, so it can never interleave with a worker's.
    bool QueryVersion();
    bool ResetTarget(int resetPolarityIndex, int resetDelayIndex);

private:
    // implementation to follow
};

}  // namespace ops
