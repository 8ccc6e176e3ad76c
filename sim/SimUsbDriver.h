#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pod/PodClock.h"
#include "pod/UsbDriver.h"
#include "sim/EmulatedPod.h"
#include "sim/SimOptions.h"

namespace sim {

// The FTDI driver of a bus holding the emulated POD (described "Quobin") and any
// further devices. Line settings are kept per handle; the POD understands bytes only at
// the settings of its current mode (921600 8-N-1 commands, 115200 8-E-1 boot loader).
// Bytes travel on the injected clock: in real wire mode each byte takes 10 bits (11
// with parity) at the configured baud and replies reach the receive queue after the
// latency timer; in instant mode they are there at once. Thread-safe.
class SimUsbDriver final : public pod::UsbDriver {
public:
    static constexpr const char* kPodDescription = "Quobin";

    SimUsbDriver(std::shared_ptr<EmulatedPod> pod, pod::PodClock& clock, WireMode wire,
                 std::vector<std::string> extraDevices = {});
    ~SimUsbDriver() override;

    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;
    pod::FtStatus ListDeviceCount(std::uint32_t* count) override;
    pod::FtStatus ListDeviceDescription(std::uint32_t index, char* buffer) override;
    // Serial numbers "QBSIM001", "QBSIM002" ... in bus order (the POD is first).
    pod::FtStatus ListDeviceSerial(std::uint32_t index, char* buffer) override;
    pod::FtStatus OpenByDescription(const char* description, pod::FtHandle* handle) override;
    pod::FtStatus ResetDevice(pod::FtHandle handle) override;
    pod::FtStatus SetLatencyTimer(pod::FtHandle handle, std::uint8_t milliseconds) override;
    pod::FtStatus SetBaudRate(pod::FtHandle handle, std::uint32_t baud) override;
    pod::FtStatus SetDataCharacteristics(pod::FtHandle handle, std::uint8_t wordLength,
                                         std::uint8_t stopBits, std::uint8_t parity) override;
    pod::FtStatus SetFlowControl(pod::FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                 std::uint8_t xoff) override;
    pod::FtStatus SetTimeouts(pod::FtHandle handle, std::uint32_t readMs,
                              std::uint32_t writeMs) override;
    pod::FtStatus Purge(pod::FtHandle handle, std::uint32_t mask) override;
    pod::FtStatus Write(pod::FtHandle handle, const void* buffer, std::uint32_t length,
                        std::uint32_t* written) override;
    pod::FtStatus GetStatus(pod::FtHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                            std::uint32_t* eventStatus) override;
    pod::FtStatus Read(pod::FtHandle handle, void* buffer, std::uint32_t length,
                       std::uint32_t* received) override;
    pod::FtStatus GetQueueStatus(pod::FtHandle handle, std::uint32_t* rxQueue) override;
    pod::FtStatus Close(pod::FtHandle handle) override;
    std::string LastError() const override;

    // The POD's cable: unplugged, every call on its handles fails and it leaves the
    // device list; plugged in again, it can be opened afresh.
    void Unplug();
    void Plug();
    bool Plugged() const;

    EmulatedPod& Pod() { return *m_pod; }
    // Line settings of an open handle, for tests.
    struct LineSettings {
        std::uint32_t baud = 9600;
        std::uint8_t wordLength = 8;
        std::uint8_t stopBits = 0;
        std::uint8_t parity = 0;
        std::uint8_t latencyMs = 16;
        std::uint16_t flow = 0;
        std::uint32_t readTimeoutMs = 0;
        std::uint32_t writeTimeoutMs = 0;
    };
    bool SettingsOf(pod::FtHandle handle, LineSettings& settings) const;

private:
    struct Device {
        std::string description;
        std::string serial;
        bool isPod = false;
        bool plugged = true;
        bool open = false;
    };
    struct Pending {
        std::uint8_t byte;
        std::uint64_t arrivalUs;
    };
    struct Handle {
        std::size_t device = 0;
        bool dead = false; // its device was unplugged
        LineSettings line;
        std::deque<Pending> rx;
        std::uint64_t txBusyUntilUs = 0;
    };

    std::uint64_t NowUs();
    std::uint64_t ByteUs(const Handle& handle) const;
    bool PodUnderstands(const Handle& handle) const;
    void AfterSettingsChange(const Handle& handle);
    void UnplugLocked();
    // Runs `action` on a live handle under the lock and returns its status; a handle
    // that is unknown, or whose device was unplugged, fails as the FTDI driver does.
    template <typename Action> pod::FtStatus WithHandle(pod::FtHandle handle, Action&& action);
    pod::FtStatus NotLoaded();
    // The index-th device still on the bus, as the listing counts them; null past the end.
    const Device* PluggedAt(std::uint32_t index) const;
    pod::FtStatus Fail(pod::FtStatus status, std::string reason);
    std::uint32_t Arrived(const Handle& handle);

    mutable std::mutex m_mutex;
    std::shared_ptr<EmulatedPod> m_pod;
    pod::PodClock& m_clock;
    WireMode m_wire;
    bool m_loaded = false;
    std::vector<Device> m_devices;
    std::map<std::uintptr_t, Handle> m_handles;
    std::uintptr_t m_nextHandle = 0x51D0;
    std::uint32_t m_lastRawMs;
    std::uint64_t m_extendedMs = 0;
    std::string m_lastError;
};

// The driver for the options' bus, with a fresh emulated POD on it.
std::unique_ptr<SimUsbDriver> CreateSimDriver(const SimOptions& options, pod::PodClock& clock);

} // namespace sim
