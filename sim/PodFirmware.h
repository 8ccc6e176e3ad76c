#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "sim/PodError.h"
#include "sim/PodJobStore.h"
#include "sim/SimOptions.h"
#include "sim/TargetBoard.h"

namespace sim {

// The POD's firmware in command mode: one command payload in, one reply frame out. It
// holds the version it reports, the job store, and the target board on the cable (one
// at a time; following the host's connect unless the options fix the part). Not locked:
// EmulatedPod serialises every call.
class PodFirmware {
public:
    explicit PodFirmware(const SimOptions& options);

    // The reply frame to a checked payload (opcode and fields, no ':' or checksum): a
    // success reply, or an error reply of the length the host waits for.
    std::string Execute(std::string_view payload, std::uint64_t nowUs);
    // Length of the success reply to `payload` (6, or 8/10/14 for the data replies).
    static std::size_t ReplyLengthFor(std::string_view payload);

    int VersionMajor() const { return m_versionMajor; }
    int VersionMinor() const { return m_versionMinor; }
    void SetVersion(int major, int minor);
    PodError LastError() const { return m_lastError; }
    void SetLastError(PodError error) { m_lastError = error; }
    PodJobStore& Job() { return m_job; }
    const PodJobStore& Job() const { return m_job; }

    // The part on the cable: fixed by the options, else the last one connected to
    // (MC56F8367 before any connect).
    int EffectiveType() const;
    void SetCurrentType(int type);
    // The board for `type`, powered up (its program started) on first use; nullptr for
    // a type outside the catalogue.
    TargetBoard* TargetFor(int type, std::uint64_t nowUs);
    const TargetBoard* ExistingTarget(int type) const;

private:
    // One command being executed: its fields, the board it works on and the data of
    // its reply.
    struct Request;
    using Handler = PodError (PodFirmware::*)(Request&);
    // What a command needs before its handler runs: nothing, a chip on the cable, or
    // the board of the part the host connected to.
    enum class Needs { kNothing, kCable, kBoard };
    struct Command {
        std::uint32_t opcode;
        Needs needs;
        Handler handler;
    };
    static const Command* CommandFor(std::uint32_t opcode);
    PodError Dispatch(std::uint32_t opcode, Request& request);

    PodError GetVersion(Request& request);
    PodError PodWriteInfo(Request& request);
    PodError PodWriteLoader(Request& request);
    PodError PodWriteBlock(Request& request);
    PodError SetMonitorBaud(Request& request);
    PodError ConnectTarget(Request& request);
    PodError ResetTarget(Request& request);
    PodError EnableOnce(Request& request);
    PodError UnlockFlash(Request& request);
    PodError TargetLoadLoader(Request& request);
    PodError EraseFlash(Request& request);
    PodError ProgramPage(Request& request);
    PodError BufferChunk(Request& request);
    PodError ProgramBuffered(Request& request);
    PodError ReleaseTarget(Request& request);
    PodError ReadMemory(Request& request);
    PodError WriteMemory(Request& request);

    int m_mcu;
    bool m_secured;
    bool m_noTarget;
    int m_versionMajor;
    int m_versionMinor;
    PodJobStore m_job;
    std::map<int, std::unique_ptr<TargetBoard>> m_targets;
    int m_currentType;
    std::uint32_t m_monitorBaud = 0;
    PodError m_lastError = PodError::kNone;
};

} // namespace sim
