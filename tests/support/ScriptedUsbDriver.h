#pragma once

#include "pod/PodClock.h"
#include "pod/UsbDriver.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pod::test {

// What the scripted device answers to one write.
struct ScriptedReply {
    std::string bytes;         // exact bytes; empty = silence
    std::uint32_t delayMs = 0; // the first byte becomes readable this long after the write
    std::uint32_t gapMs = 0;   // each further byte this long after the one before
};

// A UsbDriver for tests: a set of devices by description, one open handle at a time,
// a record of every call and every byte written, and replies from a script. Time-based
// behaviour (delayed bytes, a transmit queue that drains late) uses the given clock,
// normally a VirtualPodClock. Thread-safe; a write that arrives while reply bytes are
// still unread is counted as an interleaved exchange.
class ScriptedUsbDriver final : public UsbDriver {
public:
    explicit ScriptedUsbDriver(PodClock& clock);

    // --- set-up ---
    std::vector<std::string> devices{"Quobin"};
    std::vector<std::string> serials; // by index; missing ones read "SN<index>"
    bool loadable = true;
    // Number of GetStatus calls after each write that still report bytes to send.
    std::uint32_t txDrainPolls = 0;
    // Virtual time that passes during each GetStatus call (besides the write loop's own short
    // waits).
    std::uint32_t statusPollAdvanceMs = 0;

    // Every call named name (the UsbDriver method name) fails with status, from its
    // (skip + 1)th call on; `times` calls only when given.
    void FailCall(const std::string& name, FtStatus status = kFtIoError, int skip = 0, int times = -1);
    // Replies to the following writes, in order. A write without a queued reply is
    // answered by the responder, if any, else by silence.
    void QueueReply(const ScriptedReply& reply);
    void QueueReply(const std::string& bytes) { QueueReply(ScriptedReply{bytes, 0, 0}); }
    void SetResponder(std::function<std::string(const std::string& written)> responder);
    // Bytes readable at once, without a write.
    void InjectRx(const std::string& bytes);

    // --- record ---
    // Calls other than Read, GetStatus and GetQueueStatus, e.g. "SetBaudRate 921600".
    std::vector<std::string> Calls() const;
    void ClearCalls();
    std::vector<std::string> Writes() const; // one entry per Write
    std::string LastWrite() const;
    std::size_t PendingRx() const; // bytes queued, readable or not yet
    int ReadCalls() const;
    int GetStatusCalls() const;
    int QueueStatusCalls() const;
    int InterleavedWrites() const;
    int OpenHandles() const; // 0 or 1

    // --- UsbDriver ---
    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;
    FtStatus ListDeviceCount(std::uint32_t* count) override;
    FtStatus ListDeviceDescription(std::uint32_t index, char* buffer) override;
    FtStatus ListDeviceSerial(std::uint32_t index, char* buffer) override;
    FtStatus OpenByDescription(const char* description, FtHandle* handle) override;
    FtStatus ResetDevice(FtHandle handle) override;
    FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
    FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) override;
    FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                            std::uint8_t xoff) override;
    FtStatus SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    FtStatus Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus Write(FtHandle handle, const void* buffer, std::uint32_t length,
                   std::uint32_t* written) override;
    FtStatus GetStatus(FtHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                       std::uint32_t* eventStatus) override;
    FtStatus Read(FtHandle handle, void* buffer, std::uint32_t length,
                  std::uint32_t* received) override;
    FtStatus GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue) override;
    FtStatus Close(FtHandle handle) override;
    std::string LastError() const override;

private:
    struct RxByte {
        std::uint8_t value;
        std::uint32_t availableAt;
    };
    struct Failure {
        FtStatus status;
        int skip;
        int times; // -1: every call from skip on
    };
    // Records the call and returns its scripted failure, if any. Lock held.
    FtStatus Enter(const std::string& name, const std::string& record, FtHandle handle,
                   bool needsHandle = true);
    std::uint32_t ReadableLocked() const;

    PodClock& m_clock;
    mutable std::mutex m_mutex;
    bool m_loaded = false;
    FtHandle m_open = nullptr;
    int m_opens = 0;
    std::map<std::string, Failure> m_failures;
    std::map<std::string, int> m_callCounts;
    std::deque<ScriptedReply> m_replies;
    std::function<std::string(const std::string&)> m_responder;
    std::deque<RxByte> m_rx;
    std::uint32_t m_txPending = 0;
    std::vector<std::string> m_calls;
    std::vector<std::string> m_writes;
    int m_reads = 0;
    int m_statusCalls = 0;
    int m_queueStatusCalls = 0;
    int m_interleaved = 0;
    std::string m_lastError;
};

} // namespace pod::test
