#include "sim/SimUsbDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {
constexpr std::uint32_t kCommandBaud = 921600;
constexpr std::uint32_t kBootBaud = 115200;
} // namespace

SimUsbDriver::SimUsbDriver(std::shared_ptr<EmulatedPod> pod, pod::PodClock& clock, WireMode wire,
                           std::vector<std::string> extraDevices)
    : m_pod(std::move(pod)), m_clock(clock), m_wire(wire), m_lastRawMs(clock.NowMs())
{
    m_devices.push_back(Device{kPodDescription, "", true});
    for (std::string& description : extraDevices) {
        m_devices.push_back(Device{std::move(description), "", false});
    }
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "QBSIM%03u", static_cast<unsigned>(i + 1));
        m_devices[i].serial = serial;
    }
}

SimUsbDriver::~SimUsbDriver()
{
    m_pod->Save();
}

std::uint64_t SimUsbDriver::NowUs()
{
    // The millisecond count is 32-bit and wraps; arrival times are kept on a 64-bit
    // extension of it, with the clock's microseconds within the millisecond, so that a
    // byte is timed to its own 11 us rather than rounded to a whole millisecond.
    const std::uint64_t us = m_clock.NowUs();
    const auto raw = static_cast<std::uint32_t>(us / 1000);
    m_extendedMs += static_cast<std::uint32_t>(raw - m_lastRawMs);
    m_lastRawMs = raw;
    return m_extendedMs * 1000 + us % 1000;
}

std::uint64_t SimUsbDriver::ByteUs(const Handle& handle) const
{
    // Start bit, data bits, parity bit if any, stop bit(s).
    const std::uint64_t bits = 1u + handle.line.wordLength + (handle.line.parity != 0 ? 1u : 0u) +
                               (handle.line.stopBits == 2 ? 2u : 1u);
    const std::uint64_t baud = handle.line.baud == 0 ? 1 : handle.line.baud;
    return (bits * 1'000'000 + baud - 1) / baud;
}

bool SimUsbDriver::PodUnderstands(const Handle& handle) const
{
    const LineSettings& l = handle.line;
    if (m_pod->CurrentMode() == EmulatedPod::Mode::kCommand) {
        return l.baud == kCommandBaud && l.wordLength == 8 && l.stopBits == 0 && l.parity == 0;
    }
    return l.baud == kBootBaud && l.wordLength == 8 && l.stopBits == 0 && l.parity == 2;
}

void SimUsbDriver::AfterSettingsChange(const Handle& handle)
{
    const LineSettings& l = handle.line;
    if (m_devices[handle.device].isPod && l.baud == kCommandBaud && l.wordLength == 8 &&
        l.stopBits == 0 && l.parity == 0) {
        m_pod->CommandLineOpened();
    }
}

pod::FtStatus SimUsbDriver::Fail(pod::FtStatus status, std::string reason)
{
    m_lastError = std::move(reason);
    return status;
}

pod::FtStatus SimUsbDriver::NotLoaded()
{
    return Fail(pod::kFtOtherError, "the FTDI driver is not loaded");
}

template <typename Action>
pod::FtStatus SimUsbDriver::WithHandle(pod::FtHandle handle, Action&& action)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_handles.end()) {
        return Fail(pod::kFtInvalidHandle, "invalid device handle");
    }
    if (it->second.dead) {
        return Fail(pod::kFtIoError, "the device was unplugged");
    }
    return action(it->second);
}

bool SimUsbDriver::Load()
{
    std::lock_guard lock(m_mutex);
    m_loaded = true;
    return true;
}

void SimUsbDriver::Unload()
{
    std::lock_guard lock(m_mutex);
    m_loaded = false;
}

bool SimUsbDriver::IsLoaded() const
{
    std::lock_guard lock(m_mutex);
    return m_loaded;
}

pod::FtStatus SimUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    *count = static_cast<std::uint32_t>(std::count_if(m_devices.begin(), m_devices.end(),
                                                      [](const Device& d) { return d.plugged; }));
    return pod::kFtOk;
}

const SimUsbDriver::Device* SimUsbDriver::PluggedAt(std::uint32_t index) const
{
    std::uint32_t seen = 0;
    for (const Device& device : m_devices) {
        if (device.plugged && seen++ == index) {
            return &device;
        }
    }
    return nullptr;
}

pod::FtStatus SimUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    const Device* device = PluggedAt(index);
    if (device == nullptr) {
        return Fail(pod::kFtDeviceNotFound, "no device at index " + std::to_string(index));
    }
    std::memset(buffer, 0, pod::kDescriptionSize);
    std::memcpy(buffer, device->description.data(),
                std::min(device->description.size(), pod::kDescriptionSize - 1));
    return pod::kFtOk;
}

pod::FtStatus SimUsbDriver::ListDeviceSerial(std::uint32_t index, char* buffer)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    const Device* device = PluggedAt(index);
    if (device == nullptr) {
        return Fail(pod::kFtDeviceNotFound, "no device at index " + std::to_string(index));
    }
    // Serial buffers are 16 bytes in the vendor's examples: write no more than the text
    // and its terminator.
    std::memcpy(buffer, device->serial.c_str(), device->serial.size() + 1);
    return pod::kFtOk;
}

pod::FtStatus SimUsbDriver::OpenByDescription(const char* description, pod::FtHandle* handle)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    bool busy = false;
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        Device& device = m_devices[i];
        if (!device.plugged || device.description != description) {
            continue;
        }
        if (device.open) {
            busy = true;
            continue;
        }
        device.open = true;
        const std::uintptr_t id = m_nextHandle++;
        Handle h;
        h.device = i;
        m_handles.emplace(id, std::move(h));
        *handle = reinterpret_cast<pod::FtHandle>(id);
        return pod::kFtOk;
    }
    return busy ? Fail(pod::kFtDeviceNotOpened,
                       std::string("device '") + description + "' is already open")
                : Fail(pod::kFtDeviceNotFound,
                       std::string("no device described '") + description + "'");
}

pod::FtStatus SimUsbDriver::ResetDevice(pod::FtHandle handle)
{
    return WithHandle(handle, [&](Handle& h) {
        h.rx.clear();
        h.txBusyUntilUs = 0;
        if (m_devices[h.device].isPod) {
            m_pod->HearNoise();
        }
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::SetLatencyTimer(pod::FtHandle handle, std::uint8_t milliseconds)
{
    return WithHandle(handle, [&](Handle& h) {
        // The FTDI chips accept 1..255 ms (0 is refused by the newer ones).
        if (milliseconds == 0) {
            return Fail(pod::kFtInvalidParameter, "latency timer 0 ms");
        }
        h.line.latencyMs = milliseconds;
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::SetBaudRate(pod::FtHandle handle, std::uint32_t baud)
{
    return WithHandle(handle, [&](Handle& h) {
        if (baud < 300 || baud > 3000000) {
            return Fail(pod::kFtInvalidParameter,
                        "baud rate " + std::to_string(baud) + " out of range");
        }
        h.line.baud = baud;
        AfterSettingsChange(h);
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::SetDataCharacteristics(pod::FtHandle handle, std::uint8_t wordLength,
                                                   std::uint8_t stopBits, std::uint8_t parity)
{
    return WithHandle(handle, [&](Handle& h) {
        if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) ||
            parity > 4) {
            return Fail(pod::kFtInvalidParameter, "unsupported character format");
        }
        h.line.wordLength = wordLength;
        h.line.stopBits = stopBits;
        h.line.parity = parity;
        AfterSettingsChange(h);
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::SetFlowControl(pod::FtHandle handle, std::uint16_t flow, std::uint8_t,
                                           std::uint8_t)
{
    return WithHandle(handle, [&](Handle& h) {
        h.line.flow = flow;
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::SetTimeouts(pod::FtHandle handle, std::uint32_t readMs,
                                        std::uint32_t writeMs)
{
    return WithHandle(handle, [&](Handle& h) {
        h.line.readTimeoutMs = readMs;
        h.line.writeTimeoutMs = writeMs;
        return pod::kFtOk;
    });
}

std::uint32_t SimUsbDriver::Arrived(const Handle& handle)
{
    const std::uint64_t now = NowUs();
    std::uint32_t n = 0;
    for (const Pending& p : handle.rx) {
        if (p.arrivalUs > now) {
            break;
        }
        ++n;
    }
    return n;
}

pod::FtStatus SimUsbDriver::Purge(pod::FtHandle handle, std::uint32_t mask)
{
    return WithHandle(handle, [&](Handle& h) {
        if ((mask & pod::kFtPurgeRx) != 0) {
            // Only what reached the chip's buffer goes; bytes still on their way from the
            // POD arrive afterwards, as on a real link.
            const std::uint32_t n = Arrived(h);
            h.rx.erase(h.rx.begin(), h.rx.begin() + n);
        }
        if ((mask & pod::kFtPurgeTx) != 0) {
            h.txBusyUntilUs = std::min(h.txBusyUntilUs, NowUs());
        }
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::Write(pod::FtHandle handle, const void* buffer, std::uint32_t length,
                                  std::uint32_t* written)
{
    return WithHandle(handle, [&](Handle& h) {
        *written = length;
        const std::uint64_t now = NowUs();
        const std::uint64_t byteUs = ByteUs(h);
        std::uint64_t heardAt = now;
        if (m_wire == WireMode::kReal) {
            heardAt = std::max(now, h.txBusyUntilUs) + byteUs * length;
            h.txBusyUntilUs = heardAt;
        }
        if (!m_devices[h.device].isPod || length == 0) {
            return pod::kFtOk;
        }
        if (!PodUnderstands(h)) {
            m_pod->HearNoise();
            return pod::kFtOk;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        // The POD works on the clock's own millisecond count.
        const auto heardMs =
            static_cast<std::uint32_t>(m_lastRawMs + (heardAt - now + now % 1000) / 1000);
        const std::vector<EmulatedPod::Reply> replies =
            m_pod->Hear(std::span<const std::uint8_t>(bytes, length), heardMs);
        // Replies leave the POD one after another once it has heard the command.
        std::uint64_t sendAt = heardAt;
        for (const EmulatedPod::Reply& reply : replies) {
            if (reply.unplug) {
                UnplugLocked();
                return pod::kFtOk;
            }
            sendAt += static_cast<std::uint64_t>(reply.delayMs) * 1000;
            // The USB chip hands a short reply on in one packet, when its latency timer
            // runs out after the reply's last byte.
            std::uint64_t arrival = sendAt;
            if (m_wire == WireMode::kReal) {
                sendAt += byteUs * reply.bytes.size();
                arrival = sendAt + static_cast<std::uint64_t>(h.line.latencyMs) * 1000;
            }
            for (char c : reply.bytes)
                h.rx.push_back(Pending{static_cast<std::uint8_t>(c), arrival});
        }
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::GetStatus(pod::FtHandle handle, std::uint32_t* rxQueue,
                                      std::uint32_t* txQueue, std::uint32_t* eventStatus)
{
    return WithHandle(handle, [&](Handle& h) {
        const std::uint64_t now = NowUs();
        *rxQueue = Arrived(h);
        const std::uint64_t byteUs = ByteUs(h);
        *txQueue = h.txBusyUntilUs > now
                       ? static_cast<std::uint32_t>((h.txBusyUntilUs - now + byteUs - 1) / byteUs)
                       : 0;
        *eventStatus = 0;
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::Read(pod::FtHandle handle, void* buffer, std::uint32_t length,
                                 std::uint32_t* received)
{
    *received = 0;
    return WithHandle(handle, [&](Handle& h) {
        const std::uint32_t n = std::min(length, Arrived(h));
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::uint32_t i = 0; i < n; ++i) {
            out[i] = h.rx.front().byte;
            h.rx.pop_front();
        }
        *received = n;
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::GetQueueStatus(pod::FtHandle handle, std::uint32_t* rxQueue)
{
    return WithHandle(handle, [&](Handle& h) {
        *rxQueue = Arrived(h);
        return pod::kFtOk;
    });
}

pod::FtStatus SimUsbDriver::Close(pod::FtHandle handle)
{
    std::lock_guard lock(m_mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_handles.end()) {
        return Fail(pod::kFtInvalidHandle, "invalid device handle");
    }
    const bool dead = it->second.dead;
    const std::size_t device = it->second.device;
    m_handles.erase(it);
    if (!dead) {
        m_devices[device].open = false;
        if (m_devices[device].isPod) {
            m_pod->Save();
        }
    }
    return pod::kFtOk;
}

std::string SimUsbDriver::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void SimUsbDriver::UnplugLocked()
{
    for (auto& [id, handle] : m_handles) {
        if (m_devices[handle.device].isPod) {
            handle.dead = true;
            handle.rx.clear();
        }
    }
    for (Device& device : m_devices) {
        if (device.isPod) {
            device.plugged = false;
            device.open = false;
        }
    }
    m_pod->HearNoise();
    m_pod->Save();
}

void SimUsbDriver::Unplug()
{
    std::lock_guard lock(m_mutex);
    UnplugLocked();
}

void SimUsbDriver::Plug()
{
    std::lock_guard lock(m_mutex);
    for (Device& device : m_devices) {
        if (device.isPod) {
            device.plugged = true;
        }
    }
}

bool SimUsbDriver::Plugged() const
{
    std::lock_guard lock(m_mutex);
    return m_devices.front().plugged;
}

bool SimUsbDriver::SettingsOf(pod::FtHandle handle, LineSettings& settings) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_handles.end()) {
        return false;
    }
    settings = it->second.line;
    return true;
}

std::unique_ptr<SimUsbDriver> CreateSimDriver(const SimOptions& options, pod::PodClock& clock)
{
    auto pod = std::make_shared<EmulatedPod>(options, clock.NowMs());
    return std::make_unique<SimUsbDriver>(std::move(pod), clock, options.wire,
                                          options.extraDevices);
}

} // namespace sim
