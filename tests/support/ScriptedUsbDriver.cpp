#include "tests/support/ScriptedUsbDriver.h"

#include <cstdint>
#include <cstring>

namespace pod::test {

ScriptedUsbDriver::ScriptedUsbDriver(PodClock& clock) : m_clock(clock) {}

void ScriptedUsbDriver::FailCall(const std::string& name, FtStatus status, int skip, int times)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failures[name] = Failure{status, skip, times};
}

void ScriptedUsbDriver::QueueReply(const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies.push_back(reply);
}

void ScriptedUsbDriver::SetResponder(std::function<std::string(const std::string&)> responder)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_responder = std::move(responder);
}

void ScriptedUsbDriver::InjectRx(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (char c : bytes)
        m_rx.push_back(RxByte{static_cast<std::uint8_t>(c), m_clock.NowMs()});
}

std::vector<std::string> ScriptedUsbDriver::Calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

void ScriptedUsbDriver::ClearCalls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

std::vector<std::string> ScriptedUsbDriver::Writes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writes;
}

std::string ScriptedUsbDriver::LastWrite() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writes.empty() ? std::string() : m_writes.back();
}

std::size_t ScriptedUsbDriver::PendingRx() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rx.size();
}

int ScriptedUsbDriver::ReadCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reads;
}

int ScriptedUsbDriver::GetStatusCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statusCalls;
}

int ScriptedUsbDriver::QueueStatusCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queueStatusCalls;
}

int ScriptedUsbDriver::InterleavedWrites() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_interleaved;
}

int ScriptedUsbDriver::OpenHandles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open != nullptr ? 1 : 0;
}

FtStatus ScriptedUsbDriver::Enter(const std::string& name, const std::string& record,
                                  FtHandle handle, bool needsHandle)
{
    if (!record.empty()) m_calls.push_back(record);
    const int n = m_callCounts[name]++;
    auto it = m_failures.find(name);
    if (it != m_failures.end() && n >= it->second.skip &&
        (it->second.times < 0 || n < it->second.skip + it->second.times)) {
        m_lastError = name + " failed";
        return it->second.status;
    }
    if (needsHandle && (handle == nullptr || handle != m_open)) return kFtInvalidHandle;
    return kFtOk;
}

std::uint32_t ScriptedUsbDriver::ReadableLocked() const
{
    const std::uint32_t now = m_clock.NowMs();
    std::uint32_t n = 0;
    for (const RxByte& b : m_rx) {
        if (static_cast<std::int32_t>(now - b.availableAt) < 0) break;
        ++n;
    }
    return n;
}

bool ScriptedUsbDriver::Load()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("Load");
    m_loaded = loadable;
    return m_loaded;
}

void ScriptedUsbDriver::Unload()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("Unload");
    m_loaded = false;
}

bool ScriptedUsbDriver::IsLoaded() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loaded;
}

FtStatus ScriptedUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("ListDeviceCount", "ListDeviceCount", nullptr, false)) return s;
    *count = static_cast<std::uint32_t>(devices.size());
    return kFtOk;
}

FtStatus ScriptedUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("ListDeviceDescription",
                           "ListDeviceDescription " + std::to_string(index), nullptr, false))
        return s;
    if (index >= devices.size()) return kFtDeviceNotFound;
    // Like the vendor library: as many bytes as fit, terminated only when room is left.
    const std::string& d = devices[index];
    std::memcpy(buffer, d.data(), std::min(d.size(), kDescriptionSize));
    if (d.size() < kDescriptionSize) buffer[d.size()] = '\0';
    return kFtOk;
}

FtStatus ScriptedUsbDriver::ListDeviceSerial(std::uint32_t index, char* buffer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s =
            Enter("ListDeviceSerial", "ListDeviceSerial " + std::to_string(index), nullptr, false))
        return s;
    if (index >= devices.size()) return kFtDeviceNotFound;
    const std::string serial =
        index < serials.size() ? serials[index] : "SN" + std::to_string(index);
    std::snprintf(buffer, kDescriptionSize, "%s", serial.c_str());
    return kFtOk;
}

FtStatus ScriptedUsbDriver::OpenByDescription(const char* description, FtHandle* handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("OpenByDescription", std::string("OpenByDescription ") + description,
                           nullptr, false))
        return s;
    if (m_open != nullptr) return kFtDeviceNotOpened; // the device is busy
    for (const std::string& d : devices) {
        if (d == description) {
            ++m_opens;
            m_open = reinterpret_cast<FtHandle>(static_cast<std::uintptr_t>(0x1000 + m_opens));
            *handle = m_open;
            m_rx.clear();
            m_txPending = 0;
            return kFtOk;
        }
    }
    return kFtDeviceNotFound;
}

FtStatus ScriptedUsbDriver::ResetDevice(FtHandle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("ResetDevice", "ResetDevice", handle);
}

FtStatus ScriptedUsbDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("SetLatencyTimer", "SetLatencyTimer " + std::to_string(milliseconds), handle);
}

FtStatus ScriptedUsbDriver::SetBaudRate(FtHandle handle, std::uint32_t baud)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("SetBaudRate", "SetBaudRate " + std::to_string(baud), handle);
}

FtStatus ScriptedUsbDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                   std::uint8_t stopBits, std::uint8_t parity)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("SetDataCharacteristics",
                 "SetDataCharacteristics " + std::to_string(wordLength) + " " +
                     std::to_string(stopBits) + " " + std::to_string(parity),
                 handle);
}

FtStatus ScriptedUsbDriver::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                           std::uint8_t xoff)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("SetFlowControl",
                 "SetFlowControl " + std::to_string(flow) + " " + std::to_string(xon) + " " +
                     std::to_string(xoff),
                 handle);
}

FtStatus ScriptedUsbDriver::SetTimeouts(FtHandle handle, std::uint32_t readMs,
                                        std::uint32_t writeMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Enter("SetTimeouts",
                 "SetTimeouts " + std::to_string(readMs) + " " + std::to_string(writeMs), handle);
}

FtStatus ScriptedUsbDriver::Purge(FtHandle handle, std::uint32_t mask)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("Purge", "Purge " + std::to_string(mask), handle)) return s;
    if (mask & kFtPurgeRx) m_rx.clear();
    if (mask & kFtPurgeTx) m_txPending = 0;
    return kFtOk;
}

FtStatus ScriptedUsbDriver::Write(FtHandle handle, const void* buffer, std::uint32_t length,
                                  std::uint32_t* written)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("Write", "Write " + std::to_string(length), handle)) return s;
    if (!m_rx.empty()) ++m_interleaved;
    const std::string bytes(static_cast<const char*>(buffer), length);
    m_writes.push_back(bytes);
    *written = length;
    m_txPending = txDrainPolls;

    ScriptedReply reply;
    if (!m_replies.empty()) {
        reply = m_replies.front();
        m_replies.pop_front();
    } else if (m_responder) {
        reply.bytes = m_responder(bytes);
    }
    std::uint32_t at = m_clock.NowMs() + reply.delayMs;
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
        if (i > 0) at += reply.gapMs;
        m_rx.push_back(RxByte{static_cast<std::uint8_t>(reply.bytes[i]), at});
    }
    return kFtOk;
}

FtStatus ScriptedUsbDriver::GetStatus(FtHandle handle, std::uint32_t* rxQueue,
                                      std::uint32_t* txQueue, std::uint32_t* eventStatus)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_statusCalls;
    if (FtStatus s = Enter("GetStatus", "", handle)) return s;
    if (auto* virtualClock = dynamic_cast<VirtualPodClock*>(&m_clock))
        virtualClock->Advance(statusPollAdvanceMs);
    *rxQueue = ReadableLocked();
    *txQueue = m_txPending;
    *eventStatus = 0;
    if (m_txPending > 0) --m_txPending;
    return kFtOk;
}

FtStatus ScriptedUsbDriver::Read(FtHandle handle, void* buffer, std::uint32_t length,
                                 std::uint32_t* received)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_reads;
    *received = 0;
    if (FtStatus s = Enter("Read", "", handle)) return s;
    const std::uint32_t n = std::min(length, ReadableLocked());
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < n; ++i) {
        out[i] = m_rx.front().value;
        m_rx.pop_front();
    }
    *received = n;
    return kFtOk;
}

FtStatus ScriptedUsbDriver::GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_queueStatusCalls;
    if (FtStatus s = Enter("GetQueueStatus", "", handle)) return s;
    *rxQueue = ReadableLocked();
    return kFtOk;
}

FtStatus ScriptedUsbDriver::Close(FtHandle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (FtStatus s = Enter("Close", "Close", handle)) return s;
    m_open = nullptr;
    m_rx.clear();
    return kFtOk;
}

std::string ScriptedUsbDriver::LastError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

} // namespace pod::test
