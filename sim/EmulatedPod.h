#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/BootLoader.h"
#include "sim/FaultPlan.h"
#include "sim/FrameAssembler.h"
#include "sim/PodError.h"
#include "sim/PodFirmware.h"
#include "sim/PodJobStore.h"
#include "sim/SimOptions.h"
#include "sim/SimStateStore.h"

namespace sim {

// The POD behind the USB chip: its firmware in command mode (framed commands), its
// boot loader, its job store, and the target chip on its JTAG cable with the program
// running there. It hears bytes and answers bytes; the wire and the USB chip are the
// driver's business. Thread-safe: every public member takes the POD's lock.
class EmulatedPod {
public:
    enum class Mode { kCommand, kBoot };

    struct Reply {
        std::string bytes;
        std::uint32_t delayMs = 0; // extra time before the first byte leaves the POD
        bool unplug = false;       // the device drops off the bus instead
    };

    // Loads the state directory of the options, if any. When it cannot be used,
    // LoadError() says why and the directory is left as it is, never overwritten.
    EmulatedPod(SimOptions options, std::uint64_t nowUs);
    ~EmulatedPod();
    EmulatedPod(const EmulatedPod&) = delete;
    EmulatedPod& operator=(const EmulatedPod&) = delete;

    Mode CurrentMode() const;
    // Bytes that reached the POD's UART with the settings of its current mode.
    std::vector<Reply> Hear(std::span<const std::uint8_t> bytes, std::uint64_t nowUs);
    // Bytes at the wrong baud rate or format: the UART sees only noise, which ends any
    // half-received frame or boot command.
    void HearNoise();
    // The host configured a handle for 921600 8-N-1. After an update that left a
    // complete image, the POD has restarted into it by then.
    void CommandLineOpened();
    // Writes the files of the state directory that changed since it was loaded or last
    // written, if the options name one; empty text when done.
    std::string Save() const;
    // The faults asked for that never came to pass (their occurrence never came).
    std::vector<SimFault> UnfiredFaults() const;

    // For tests and diagnostics.
    int VersionMajor() const;
    int VersionMinor() const;
    std::vector<std::uint8_t> Firmware() const;
    std::uint32_t CommandCount(int what) const;
    PodError LastError() const;
    // The chip of type `type` (or the current one for -1); nullptr when none exists.
    std::vector<std::uint16_t> FlashOf(int region, int type = -1) const;
    bool ChipSecured(int type = -1) const;
    int CurrentMcuType() const;
    PodJobStore Job() const;
    // Target RAM as the running program has it at `nowUs`.
    std::uint16_t ReadRam(std::uint32_t address, std::uint64_t nowUs);
    void WriteRam(std::uint32_t address, std::uint16_t value, std::uint64_t nowUs);
    // What went wrong reading the state directory at start, or writing it last; empty
    // when nothing did.
    std::string LoadError() const;
    std::string SaveError() const;

private:
    std::string SaveLocked() const;
    void LoadState(std::uint64_t nowUs);

    std::vector<Reply> HearCommand(std::span<const std::uint8_t> bytes, std::uint64_t nowUs);
    std::vector<Reply> HearBoot(std::span<const std::uint8_t> bytes);

    mutable std::mutex m_mutex;
    SimOptions m_options;
    Mode m_mode = Mode::kCommand;
    PodFirmware m_commands;            // what runs in command mode
    std::vector<std::uint8_t> m_image; // the firmware image written by the last update
    bool m_bootOnly = false;
    std::unique_ptr<BootLoader> m_bootLoader;
    FrameAssembler m_frames;
    FaultPlan m_faults;
    std::unique_ptr<SimStateStore> m_store; // holds the state directory while the POD lives
    std::string m_loadError;
    mutable std::string m_saveError;
    // What the state directory holds, as loaded or last written; empty before the first
    // save into a fresh directory.
    mutable std::optional<SimState> m_savedState;
};

} // namespace sim
