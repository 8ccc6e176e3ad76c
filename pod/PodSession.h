#pragma once

#include "pod/PodClock.h"
#include "pod/UsbDriver.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace pod {

// The POD's USB description. Matched exactly, case-sensitively and as a whole string.
inline constexpr char kPodDescription[] = "Quobin";

// Channel settings of the two configurations the POD is driven in.
inline constexpr std::uint32_t kCommandBaud = 921600; // framed commands, 8-N-1
inline constexpr std::uint32_t kBootBaud = 115200;    // the POD's ROM boot loader, 8-E-1
inline constexpr std::uint8_t kPodLatencyMs = 2;
inline constexpr std::uint32_t kPodDriverTimeoutMs = 1500;

enum class PodState {
    Absent, // driver library not loaded or no POD seen
    Ready,  // library loaded and the POD seen, no handle
    Open,   // a handle is open
};

enum class PodConfiguration { None, Command, Boot };

// What EnsurePodSession found.
enum class PodOpenResult {
    Open,
    NotConnected, // no POD among the attached devices (or no driver library)
    OpenFailed,   // the POD is there but could not be opened
};

// The one connection to the POD. The application owns one instance and hands it by
// reference to every user of the POD.
//
// Exclusive use: the POD answers one frame at a time, so two threads must never
// interleave their exchanges. Every member below that talks to the driver, and every
// command and transfer function of this library, takes the session lock itself, so a
// single exchange is always whole. A user that needs several exchanges in a row
// (an operation, a monitoring cycle, an open followed by commands) holds Lock() across
// them; the lock is recursive, so the functions it calls take it again freely.
// The state accessors (IsOpen, state, handle, the flags) never block.
class PodSession {
public:
    PodSession(UsbDriver& driver, PodClock& clock);
    // Closes a handle still open; the driver must outlive the session.
    ~PodSession();
    PodSession(const PodSession&) = delete;
    PodSession& operator=(const PodSession&) = delete;

    // Ties the session to the POD with this serial number (empty: any POD, opened by its
    // description). On a station with several PODs the open by description takes
    // whichever the driver picks; by serial it is always the same unit. Set before the
    // first probe; a change takes effect at the next probe.
    void SetSerial(std::string serial);
    std::string serial() const;

    // Held by a user of the POD for an exchange or a whole operation.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Lock();
    // The lock when nobody holds it, else an unlocked one (owns_lock() false): for a UI
    // thread that must never wait for a worker's exchange.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> TryLock();

    // Loads the driver library when needed and looks for the POD; keeps the library
    // loaded only when the POD was seen.
    void ProbePod();
    // Enumerates every attached device and sets deviceFound and description.
    void FindPodDevice();
    // Opens the POD in the command configuration (921600 baud, 8-N-1).
    bool OpenPodSession();
    // Opens the POD in the boot-loader configuration (115200 baud, 8-E-1).
    bool OpenPodBootSession();
    // Reuses an open handle untouched, else probes and opens.
    PodOpenResult EnsurePodSession();
    // EnsurePodSession without reuse and without reports, for reconnects.
    bool ReopenPodSession();
    // Closes the handle; the library and both flags stay.
    void ClosePodSession();
    // Unloads the driver library and clears both flags (state Absent), so that the
    // next EnsurePodSession detects the POD afresh. Used after a failed transfer.
    void ForgetLibrary();

    bool IsOpen() const { return m_handle.load() != nullptr; }
    FtHandle handle() const { return m_handle.load(); }
    UsbDriver& driver() { return m_driver; }
    PodClock& clock() { return m_clock; }
    PodState state() const;
    PodConfiguration configuration() const { return m_configuration.load(); }
    bool libraryLoaded() const { return m_driver.IsLoaded(); }
    bool libraryReady() const { return m_libraryReady.load(); }
    bool deviceFound() const { return m_deviceFound.load(); }
    std::string description() const;

    // After a failed command, bytes of its reply may still be on their way, as late as
    // the POD's slowest answer; the next command first waits for the line to stay quiet
    // for `quietMs`, throwing away what comes, then purges both queues, so that they
    // cannot pass for its own reply. Only after failures: normal traffic keeps its
    // timing. A new handle starts clean. 0: nothing asked.
    void SettleBeforeNextCommand(std::uint32_t quietMs) { m_settleMs = quietMs; }
    std::uint32_t TakeSettleRequest() { return m_settleMs.exchange(0); }

    // Whether the POD's replies carry their command's opcode as the first payload pair.
    // Learned from the first successful exchanges of a handle: while they all echo, a
    // reply that names another opcode is another command's, late; a POD whose first pair
    // is a status keeps that pair uninterpreted.
    enum class ReplyEcho : std::uint8_t { Learning, Echoes, Status };
    ReplyEcho replyEcho() const { return m_replyEcho.load(); }
    // One successful exchange's evidence while learning.
    void LearnReplyEcho(bool echoed);

    // Where the session writes what it does about the line beyond the driver's calls
    // (a settle, a foreign reply dropped), for a support trace; set before first use.
    void SetTraceNote(std::function<void(const std::string&)> note) { m_traceNote = std::move(note); }
    void TraceNote(const std::string& text) const
    {
        if (m_traceNote) m_traceNote(text);
    }

private:
    bool OpenWith(std::uint32_t baud, std::uint8_t parity, PodConfiguration configuration);
    PodOpenResult ProbeAndOpen();
    std::string SerialAt(std::uint32_t index);

    UsbDriver& m_driver;
    PodClock& m_clock;
    std::recursive_mutex m_lock;
    std::atomic<FtHandle> m_handle{nullptr};
    std::atomic<PodConfiguration> m_configuration{PodConfiguration::None};
    std::atomic<bool> m_libraryReady{false};
    std::atomic<bool> m_deviceFound{false};
    std::atomic<std::uint32_t> m_settleMs{0};
    std::atomic<ReplyEcho> m_replyEcho{ReplyEcho::Learning};
    int m_echoesSeen = 0; // under the session lock
    std::function<void(const std::string&)> m_traceNote;
    mutable std::mutex m_descriptionMutex; // guards m_description and m_serial
    std::string m_description;
    std::string m_serial;
};

} // namespace pod
