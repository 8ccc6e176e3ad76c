#include "pod/TracingUsbDriver.h"

#include "pod/FtStatusName.h"
#include "pod/TraceDecoder.h"

#include <cstdio>
#include <cstring>
#include <ostream>

namespace pod {

namespace {

std::string Quoted(const char* text, std::size_t max)
{
    return "\"" + std::string(text, strnlen(text, max)) + "\"";
}

TracingUsbDriver::LineSink StreamSink(std::ostream& out)
{
    return [&out](const std::string& line) { out << line << '\n' << std::flush; };
}

} // namespace

TracingUsbDriver::TracingUsbDriver(UsbDriver& inner, PodClock& clock, LineSink sink)
    : m_inner(inner), m_clock(clock), m_sink(std::move(sink)), m_start(clock.NowMs())
{
}

TracingUsbDriver::TracingUsbDriver(UsbDriver& inner, PodClock& clock, std::ostream& out)
    : TracingUsbDriver(inner, clock, StreamSink(out))
{
}

TracingUsbDriver::TracingUsbDriver(std::unique_ptr<UsbDriver> inner, PodClock& clock,
                                   std::ostream& out)
    : m_owned(std::move(inner)), m_inner(*m_owned), m_clock(clock), m_sink(StreamSink(out)),
      m_start(clock.NowMs())
{
}

TracingUsbDriver::~TracingUsbDriver()
{
    Flush();
}

std::string TracingUsbDriver::FormatBytes(std::string_view bytes)
{
    bool frame = !bytes.empty() && bytes.front() == ':';
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (!(u == '\r' || (u >= 0x20 && u < 0x7F))) frame = false;
    }
    std::string text;
    if (frame) {
        for (char c : bytes)
            text += c == '\r' ? std::string("\\r") : std::string(1, c);
        return text;
    }
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X",
                      static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
        text += hex;
    }
    return text;
}

void TracingUsbDriver::Emit(std::uint32_t ms, const std::string& text)
{
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%7u ", static_cast<unsigned>(ms - m_start));
    m_sink(stamp + text);
}

void TracingUsbDriver::FlushLocked()
{
    if (!m_run.empty()) {
        Emit(m_runStart, "< " + FormatBytes(m_run));
        if (const std::string reply = DescribeReply(m_run); !reply.empty())
            Emit(m_runStart, "# " + reply);
        else if (m_lastWriteWasFrame)
            Emit(m_runStart, "# garbage: a reply must start with ':' or '?'");
        m_run.clear();
    }
    if (m_awaitingReply && m_shortReads > 0)
        Emit(m_clock.NowMs(), "# short read: nothing received after the last write");
    m_awaitingReply = false;
    m_shortReads = 0;
}

void TracingUsbDriver::Header(const std::string& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_sink("# " + text);
}

void TracingUsbDriver::Note(const std::string& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    Event("# " + text);
}

void TracingUsbDriver::Flush()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    FlushLocked();
}

void TracingUsbDriver::Event(const std::string& text)
{
    FlushLocked();
    Emit(m_clock.NowMs(), text);
}

void TracingUsbDriver::Event(const std::string& text, FtStatus status)
{
    if (status == kFtOk) {
        Event(text);
        return;
    }
    Event(text + " -> status " + std::to_string(status));
    Event(std::string("# status ") + std::to_string(status) + " is " + FtStatusName(status));
}

#define QUOBIN_TRACE_LOCK std::lock_guard<std::recursive_mutex> lock(m_mutex)

bool TracingUsbDriver::Load()
{
    QUOBIN_TRACE_LOCK;
    const bool loaded = m_inner.Load();
    Event(loaded ? std::string("load") : "load failed: " + m_inner.LastError());
    return loaded;
}

void TracingUsbDriver::Unload()
{
    QUOBIN_TRACE_LOCK;
    m_inner.Unload();
    Event("unload");
}

bool TracingUsbDriver::IsLoaded() const
{
    return m_inner.IsLoaded();
}

FtStatus TracingUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.ListDeviceCount(count);
    Event("devices " + std::to_string(status == kFtOk ? *count : 0), status);
    return status;
}

FtStatus TracingUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.ListDeviceDescription(index, buffer);
    if (status == kFtOk) {
        if (m_listed.size() <= index) m_listed.resize(index + 1);
        m_listed[index].assign(buffer, strnlen(buffer, kDescriptionSize));
    }
    Event("device " + std::to_string(index) +
              (status == kFtOk ? " " + Quoted(buffer, kDescriptionSize) : std::string()),
          status);
    return status;
}

FtStatus TracingUsbDriver::ListDeviceSerial(std::uint32_t index, char* buffer)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.ListDeviceSerial(index, buffer);
    Event("serial " + std::to_string(index) +
              (status == kFtOk ? " " + Quoted(buffer, kDescriptionSize) : std::string()),
          status);
    return status;
}

FtStatus TracingUsbDriver::OpenByDescription(const char* description, FtHandle* handle)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.OpenByDescription(description, handle);
    Event("open " + Quoted(description, kDescriptionSize), status);
    if (status == kFtOk) {
        std::string device = std::string("# device ") + Quoted(description, kDescriptionSize);
        // Asked of the library directly: a support request needs the serial, but the
        // trace's own event lines must stay the calls the program made.
        const std::string wanted(description, strnlen(description, kDescriptionSize));
        for (std::size_t i = 0; i < m_listed.size(); ++i) {
            char serial[kDescriptionSize] = {};
            if (m_listed[i] == wanted &&
                m_inner.ListDeviceSerial(static_cast<std::uint32_t>(i), serial) == kFtOk) {
                device += ", serial " + Quoted(serial, kDescriptionSize);
                break;
            }
        }
        Event(device);
    }
    return status;
}

FtStatus TracingUsbDriver::OpenBySerial(const char* serial, FtHandle* handle)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.OpenBySerial(serial, handle);
    Event("open serial " + Quoted(serial, kDescriptionSize), status);
    return status;
}

FtStatus TracingUsbDriver::ResetDevice(FtHandle handle)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.ResetDevice(handle);
    Event("reset", status);
    return status;
}

FtStatus TracingUsbDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.SetLatencyTimer(handle, milliseconds);
    Event("latency " + std::to_string(milliseconds), status);
    return status;
}

FtStatus TracingUsbDriver::SetBaudRate(FtHandle handle, std::uint32_t baud)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.SetBaudRate(handle, baud);
    Event("baud " + std::to_string(baud), status);
    return status;
}

FtStatus TracingUsbDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.SetDataCharacteristics(handle, wordLength, stopBits, parity);
    Event("data " + std::to_string(wordLength) + " " + std::to_string(stopBits) + " " +
              std::to_string(parity),
          status);
    return status;
}

FtStatus TracingUsbDriver::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.SetFlowControl(handle, flow, xon, xoff);
    Event("flow " + std::to_string(flow) + " " + std::to_string(xon) + " " + std::to_string(xoff),
          status);
    return status;
}

FtStatus TracingUsbDriver::SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.SetTimeouts(handle, readMs, writeMs);
    Event("timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs), status);
    return status;
}

FtStatus TracingUsbDriver::Purge(FtHandle handle, std::uint32_t mask)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.Purge(handle, mask);
    Event("purge " + std::to_string(mask), status);
    return status;
}

FtStatus TracingUsbDriver::Write(FtHandle handle, const void* buffer, std::uint32_t length,
                                 std::uint32_t* written)
{
    QUOBIN_TRACE_LOCK;
    const std::uint32_t now = m_clock.NowMs();
    const FtStatus status = m_inner.Write(handle, buffer, length, written);
    FlushLocked();
    std::string text =
        "> " + FormatBytes(std::string_view(static_cast<const char*>(buffer), length));
    if (status != kFtOk) text += " -> status " + std::to_string(status);
    Emit(now, text);
    const std::string command =
        DescribeSentFrame(std::string_view(static_cast<const char*>(buffer), length));
    if (!command.empty()) Emit(now, "# " + command);
    // Boot-loader bytes are answered by single bytes, never by frames.
    m_lastWriteWasFrame = length > 0 && static_cast<const char*>(buffer)[0] == ':';
    m_awaitingReply = true;
    m_shortReads = 0;
    return status;
}

FtStatus TracingUsbDriver::GetStatus(FtHandle handle, std::uint32_t* rxQueue,
                                     std::uint32_t* txQueue, std::uint32_t* eventStatus)
{
    QUOBIN_TRACE_LOCK;
    return m_inner.GetStatus(handle, rxQueue, txQueue, eventStatus);
}

FtStatus TracingUsbDriver::Read(FtHandle handle, void* buffer, std::uint32_t length,
                                std::uint32_t* received)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.Read(handle, buffer, length, received);
    if (status != kFtOk) {
        Event("read", status);
        return status;
    }
    if (*received < length) ++m_shortReads;
    if (*received > 0) {
        m_awaitingReply = false;
        if (m_run.empty()) m_runStart = m_clock.NowMs();
        m_run.append(static_cast<const char*>(buffer), *received);
    }
    return status;
}

FtStatus TracingUsbDriver::GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue)
{
    QUOBIN_TRACE_LOCK;
    return m_inner.GetQueueStatus(handle, rxQueue);
}

FtStatus TracingUsbDriver::Close(FtHandle handle)
{
    QUOBIN_TRACE_LOCK;
    const FtStatus status = m_inner.Close(handle);
    Event("close", status);
    return status;
}

std::string TracingUsbDriver::LastError() const
{
    return m_inner.LastError();
}

} // namespace pod
