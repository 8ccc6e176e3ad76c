#include "sim/SimUsbDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace sim {

namespace {
constexpr std::uint32_t kCommandBaud = 921600;
constexpr std::uint32_t kBootBaud = 115200;
} // namespace

SimUsbDriver::Bus::Bus(pod::PodClock& busClock, WireMode busWire)
    : clock(busClock), wire(busWire), lastRawMs(busClock.NowMs())
{
}

SimUsbDriver::Bus::~Bus()
{
    for (const auto& pod : pods)
        pod->Save();
}

SimUsbDriver::SimUsbDriver(std::shared_ptr<EmulatedPod> pod, pod::PodClock& clock, WireMode wire,
                           std::vector<std::string> extraDevices)
    : SimUsbDriver(std::vector<std::shared_ptr<EmulatedPod>>{std::move(pod)}, clock, wire,
                   std::move(extraDevices))
{
}

SimUsbDriver::SimUsbDriver(std::vector<std::shared_ptr<EmulatedPod>> pods, pod::PodClock& clock,
                           WireMode wire, std::vector<std::string> extraDevices)
    : m_bus(std::make_shared<Bus>(clock, wire))
{
    m_bus->pods = std::move(pods);
    for (std::size_t i = 0; i < m_bus->pods.size(); ++i)
        m_bus->devices.push_back(Device{kPodDescription, "", static_cast<int>(i)});
    for (std::string& description : extraDevices)
        m_bus->devices.push_back(Device{std::move(description), "", -1});
    for (std::size_t i = 0; i < m_bus->devices.size(); ++i)
        m_bus->devices[i].serial = SerialFor(i);
}

SimUsbDriver::SimUsbDriver(std::shared_ptr<Bus> bus) : m_bus(std::move(bus)) {}

SimUsbDriver::~SimUsbDriver()
{
    std::lock_guard lock(m_bus->mutex);
    for (const auto& pod : m_bus->pods)
        pod->Save();
}

std::unique_ptr<SimUsbDriver> SimUsbDriver::Connect()
{
    return std::unique_ptr<SimUsbDriver>(new SimUsbDriver(m_bus));
}

std::string SimUsbDriver::SerialFor(std::size_t busIndex)
{
    char serial[16];
    std::snprintf(serial, sizeof serial, "QBSIM%03u", static_cast<unsigned>(busIndex + 1));
    return serial;
}

EmulatedPod& SimUsbDriver::Pod(std::size_t index)
{
    return *m_bus->pods.at(index);
}

std::size_t SimUsbDriver::PodCount() const
{
    return m_bus->pods.size();
}

EmulatedPod* SimUsbDriver::PodOn(const Handle& handle) const
{
    const int pod = m_bus->devices[handle.device].pod;
    return pod < 0 ? nullptr : m_bus->pods[static_cast<std::size_t>(pod)].get();
}

std::uint64_t SimUsbDriver::NowUs()
{
    // The millisecond count is 32-bit and wraps; arrival times are kept on a 64-bit
    // extension of it, with the clock's microseconds within the millisecond, so that a
    // byte is timed to its own 11 us rather than rounded to a whole millisecond.
    const std::uint64_t us = m_bus->clock.NowUs();
    const auto raw = static_cast<std::uint32_t>(us / 1000);
    m_bus->extendedMs += static_cast<std::uint32_t>(raw - m_bus->lastRawMs);
    m_bus->lastRawMs = raw;
    return m_bus->extendedMs * 1000 + us % 1000;
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
    if (PodOn(handle)->CurrentMode() == EmulatedPod::Mode::kCommand) {
        return l.baud == kCommandBaud && l.wordLength == 8 && l.stopBits == 0 && l.parity == 0;
    }
    return l.baud == kBootBaud && l.wordLength == 8 && l.stopBits == 0 && l.parity == 2;
}

void SimUsbDriver::AfterSettingsChange(const Handle& handle)
{
    const LineSettings& l = handle.line;
    EmulatedPod* pod = PodOn(handle);
    if (pod != nullptr && l.baud == kCommandBaud && l.wordLength == 8 && l.stopBits == 0 &&
        l.parity == 0) {
        pod->CommandLineOpened();
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
    std::lock_guard lock(m_bus->mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    auto it = m_bus->handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_bus->handles.end()) {
        return Fail(pod::kFtInvalidHandle, "invalid device handle");
    }
    if (it->second.dead) {
        return Fail(pod::kFtIoError, "the device was unplugged");
    }
    return action(it->second);
}

bool SimUsbDriver::Load()
{
    std::lock_guard lock(m_bus->mutex);
    m_loaded = true;
    return true;
}

void SimUsbDriver::Unload()
{
    std::lock_guard lock(m_bus->mutex);
    m_loaded = false;
}

bool SimUsbDriver::IsLoaded() const
{
    std::lock_guard lock(m_bus->mutex);
    return m_loaded;
}

pod::FtStatus SimUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    std::lock_guard lock(m_bus->mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    *count = static_cast<std::uint32_t>(std::count_if(m_bus->devices.begin(), m_bus->devices.end(),
                                                      [](const Device& d) { return d.plugged; }));
    return pod::kFtOk;
}

const SimUsbDriver::Device* SimUsbDriver::PluggedAt(std::uint32_t index) const
{
    std::uint32_t seen = 0;
    for (const Device& device : m_bus->devices) {
        if (device.plugged && seen++ == index) {
            return &device;
        }
    }
    return nullptr;
}

pod::FtStatus SimUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    std::lock_guard lock(m_bus->mutex);
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
    std::lock_guard lock(m_bus->mutex);
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

template <typename Match>
pod::FtStatus SimUsbDriver::OpenFirst(Match&& matches, const std::string& what,
                                      pod::FtHandle* handle)
{
    std::lock_guard lock(m_bus->mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    bool busy = false;
    for (std::size_t i = 0; i < m_bus->devices.size(); ++i) {
        Device& device = m_bus->devices[i];
        if (!device.plugged || !matches(device)) {
            continue;
        }
        if (device.open) {
            busy = true;
            continue;
        }
        device.open = true;
        const std::uintptr_t id = m_bus->nextHandle++;
        Handle h;
        h.device = i;
        m_bus->handles.emplace(id, std::move(h));
        *handle = reinterpret_cast<pod::FtHandle>(id);
        return pod::kFtOk;
    }
    return busy ? Fail(pod::kFtDeviceNotOpened, "device " + what + " is already open")
                : Fail(pod::kFtDeviceNotFound, "no device " + what);
}

pod::FtStatus SimUsbDriver::OpenByDescription(const char* description, pod::FtHandle* handle)
{
    const std::string wanted = description;
    return OpenFirst([&](const Device& device) { return device.description == wanted; },
                     "described '" + wanted + "'", handle);
}

pod::FtStatus SimUsbDriver::OpenBySerial(const char* serial, pod::FtHandle* handle)
{
    const std::string wanted = serial;
    return OpenFirst([&](const Device& device) { return device.serial == wanted; },
                     "with serial number '" + wanted + "'", handle);
}

pod::FtStatus SimUsbDriver::ResetDevice(pod::FtHandle handle)
{
    return WithHandle(handle, [&](Handle& h) {
        h.rx.clear();
        h.txBusyUntilUs = 0;
        if (EmulatedPod* pod = PodOn(h)) {
            pod->HearNoise();
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
        if (m_bus->wire == WireMode::kReal) {
            heardAt = std::max(now, h.txBusyUntilUs) + byteUs * length;
            h.txBusyUntilUs = heardAt;
        }
        EmulatedPod* pod = PodOn(h);
        if (pod == nullptr || length == 0) {
            return pod::kFtOk;
        }
        if (!PodUnderstands(h)) {
            pod->HearNoise();
            return pod::kFtOk;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        // The POD and its target work on the clock's own microseconds.
        const std::uint64_t heardUs = m_bus->clock.NowUs() + (heardAt - now);
        const std::vector<EmulatedPod::Reply> replies =
            pod->Hear(std::span<const std::uint8_t>(bytes, length), heardUs);
        // Replies leave the POD one after another once it has heard the command.
        std::uint64_t sendAt = heardAt;
        for (const EmulatedPod::Reply& reply : replies) {
            if (reply.unplug) {
                UnplugLocked(m_bus->devices[h.device].pod);
                return pod::kFtOk;
            }
            sendAt += static_cast<std::uint64_t>(reply.delayMs) * 1000;
            // The USB chip hands a short reply on in one packet, when its latency timer
            // runs out after the reply's last byte.
            std::uint64_t arrival = sendAt;
            if (m_bus->wire == WireMode::kReal) {
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
    std::lock_guard lock(m_bus->mutex);
    if (!m_loaded) {
        return NotLoaded();
    }
    auto it = m_bus->handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_bus->handles.end()) {
        return Fail(pod::kFtInvalidHandle, "invalid device handle");
    }
    const bool dead = it->second.dead;
    const std::size_t device = it->second.device;
    m_bus->handles.erase(it);
    if (!dead) {
        m_bus->devices[device].open = false;
        if (const int pod = m_bus->devices[device].pod; pod >= 0) {
            m_bus->pods[static_cast<std::size_t>(pod)]->Save();
        }
    }
    return pod::kFtOk;
}

std::string SimUsbDriver::LastError() const
{
    std::lock_guard lock(m_bus->mutex);
    return m_lastError;
}

void SimUsbDriver::UnplugLocked(int podIndex)
{
    const auto unplugged = [podIndex](const Device& device) {
        return device.pod >= 0 && (podIndex < 0 || device.pod == podIndex);
    };
    for (auto& [id, handle] : m_bus->handles) {
        if (unplugged(m_bus->devices[handle.device])) {
            handle.dead = true;
            handle.rx.clear();
        }
    }
    for (Device& device : m_bus->devices) {
        if (unplugged(device)) {
            device.plugged = false;
            device.open = false;
            EmulatedPod& pod = *m_bus->pods[static_cast<std::size_t>(device.pod)];
            pod.HearNoise();
            pod.Save();
        }
    }
}

void SimUsbDriver::Unplug()
{
    std::lock_guard lock(m_bus->mutex);
    UnplugLocked(-1);
}

void SimUsbDriver::Unplug(std::size_t podIndex)
{
    std::lock_guard lock(m_bus->mutex);
    UnplugLocked(static_cast<int>(podIndex));
}

void SimUsbDriver::Plug()
{
    std::lock_guard lock(m_bus->mutex);
    for (Device& device : m_bus->devices) {
        if (device.pod >= 0) {
            device.plugged = true;
        }
    }
}

bool SimUsbDriver::Plugged() const
{
    std::lock_guard lock(m_bus->mutex);
    return m_bus->devices.front().plugged;
}

bool SimUsbDriver::SettingsOf(pod::FtHandle handle, LineSettings& settings) const
{
    std::lock_guard lock(m_bus->mutex);
    auto it = m_bus->handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_bus->handles.end()) {
        return false;
    }
    settings = it->second.line;
    return true;
}

std::unique_ptr<SimUsbDriver> CreateSimDriver(const SimOptions& options, pod::PodClock& clock)
{
    std::vector<std::shared_ptr<EmulatedPod>> pods;
    const int count = std::max(options.pods, 1);
    for (int i = 0; i < count; ++i) {
        const std::string serial = SimUsbDriver::SerialFor(static_cast<std::size_t>(i));
        SimOptions own = options;
        own.faults.clear();
        for (const SimFault& fault : options.faults)
            if (fault.serial.empty() || fault.serial == serial) own.faults.push_back(fault);
        // One POD keeps the folder as given, so that a station of one reads the state a
        // single emulator wrote there.
        if (count > 1 && !own.stateDir.empty())
            own.stateDir = (std::filesystem::path(own.stateDir) / serial).string();
        pods.push_back(std::make_shared<EmulatedPod>(std::move(own), clock.NowUs()));
    }
    return std::make_unique<SimUsbDriver>(std::move(pods), clock, options.wire,
                                          options.extraDevices);
}

} // namespace sim
