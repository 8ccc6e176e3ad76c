#pragma once

#include "pod/PodClock.h"
#include "pod/UsbDriver.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pod {

// A UsbDriver that passes every call on to another one and logs one line per event:
// the milliseconds since the tracer was made (right-aligned), then the event.
//   "     12 > :0161\r"          bytes sent (a frame as text, CR shown as \r)
//   "     13 < :011364\r"        bytes received
//   "   1500 > 31 CE"            a run that is not a printable frame, as hex
//   "      0 open \"Quobin\""   opens, closes, purges and configuration calls with their
//                                arguments; a failing call ends in " -> status N"
// What a support reader needs beyond the bytes goes on lines of its own whose first word
// after the time is "#", so that tools reading the lines above keep working:
//   "     12 # get-version"      a sent frame's command and fields (TraceDecoder.h)
//   "     13 # reply OK, data 13" a reply decoded, error replies with their reason
//   "   1506 # short read: ..."   nothing came back after a write; a reply cut short
//                                is marked on its decoded line
//   "     14 # result: ..."      notes of the program (Note)
//   "# Quobin V1.3"             header lines, before the first event (Header)
// Bytes arrive one per read call; they are gathered into one run, logged when the next
// event other than a read or a queue query happens, or on Flush and destruction. Queue
// and status queries are not logged. Thread-safe.
class TracingUsbDriver final : public UsbDriver {
public:
    using LineSink = std::function<void(const std::string& line)>;

    TracingUsbDriver(UsbDriver& inner, PodClock& clock, LineSink sink);
    // Lines go to out, each ended by '\n' and flushed, so a trace survives a crash.
    TracingUsbDriver(UsbDriver& inner, PodClock& clock, std::ostream& out);
    TracingUsbDriver(std::unique_ptr<UsbDriver> inner, PodClock& clock, std::ostream& out);
    ~TracingUsbDriver() override;
    TracingUsbDriver(const TracingUsbDriver&) = delete;
    TracingUsbDriver& operator=(const TracingUsbDriver&) = delete;

    UsbDriver& inner() { return m_inner; }
    // Logs the pending received run, if any.
    void Flush();
    // A header line: "# " and the text, without a time.
    void Header(const std::string& text);
    // A note of the program at this moment: the time, "# " and the text.
    void Note(const std::string& text);
    // A byte run as the trace shows it: text for a printable frame, else hex.
    static std::string FormatBytes(std::string_view bytes);

    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;
    FtStatus ListDeviceCount(std::uint32_t* count) override;
    FtStatus ListDeviceDescription(std::uint32_t index, char* buffer) override;
    FtStatus ListDeviceSerial(std::uint32_t index, char* buffer) override;
    FtStatus OpenByDescription(const char* description, FtHandle* handle) override;
    FtStatus OpenBySerial(const char* serial, FtHandle* handle) override;
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
    // Flushes the received run, then logs text stamped now. Lock held.
    void Event(const std::string& text);
    void Event(const std::string& text, FtStatus status);
    void FlushLocked();
    void Emit(std::uint32_t ms, const std::string& text);

    std::unique_ptr<UsbDriver> m_owned;
    UsbDriver& m_inner;
    PodClock& m_clock;
    LineSink m_sink;
    std::uint32_t m_start;
    mutable std::recursive_mutex m_mutex;
    std::string m_run;
    std::uint32_t m_runStart = 0;
    std::uint32_t m_shortReads = 0; // reads since the last write that got fewer bytes than asked
    bool m_awaitingReply = false;   // written, and nothing received since
    bool m_lastWriteWasFrame = false;
    // Descriptions of the last device list by index, to name the opened device's serial.
    std::vector<std::string> m_listed;
};

} // namespace pod
