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

// The FTDI driver of a bus holding one or more emulated PODs (each described "Quobin")
// and any further devices. Several driver instances may share one bus (Connect), as
// several programs, or several library contexts of one program, share a USB bus: each
// has its own loaded state and last error, and a handle is used by one instance only. Line settings are kept per handle; the POD understands bytes only at
// the settings of its current mode (921600 8-N-1 commands, 115200 8-E-1 boot loader).
// Bytes travel on the injected clock: in real wire mode each byte takes 10 bits (11
// with parity) at the configured baud and replies reach the receive queue after the
// latency timer; in instant mode they are there at once. Thread-safe.
class SimUsbDriver final : public pod::UsbDriver {
public:
    static constexpr const char* kPodDescription = "Quobin";

    SimUsbDriver(std::shared_ptr<EmulatedPod> pod, pod::PodClock& clock, WireMode wire,
                 std::vector<std::string> extraDevices = {});
    // A bus with several PODs, listed first in the order given, then the further devices.
    SimUsbDriver(std::vector<std::shared_ptr<EmulatedPod>> pods, pod::PodClock& clock,
                 WireMode wire, std::vector<std::string> extraDevices = {});
    ~SimUsbDriver() override;

    // A further driver instance on the same bus, not loaded yet. The bus (and the PODs'
    // saved state) lives until its last driver goes.
    std::unique_ptr<SimUsbDriver> Connect();

    bool Load() override;
    void Unload() override;
    bool IsLoaded() const override;
    pod::FtStatus ListDeviceCount(std::uint32_t* count) override;
    pod::FtStatus ListDeviceDescription(std::uint32_t index, char* buffer) override;
    // Serial numbers "QBSIM001", "QBSIM002" ... in bus order (the PODs are first).
    pod::FtStatus ListDeviceSerial(std::uint32_t index, char* buffer) override;
    pod::FtStatus OpenByDescription(const char* description, pod::FtHandle* handle) override;
    pod::FtStatus OpenBySerial(const char* serial, pod::FtHandle* handle) override;
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

    // The PODs' cables: unplugged, every call on a POD's handles fails and it leaves the
    // device list; plugged in again, it can be opened afresh. Without an index, every POD.
    void Unplug();
    void Unplug(std::size_t podIndex);
    void Plug();
    bool Plugged() const;

    EmulatedPod& Pod(std::size_t index = 0);
    std::size_t PodCount() const;
    // "QBSIM001" for the first POD.
    static std::string SerialFor(std::size_t busIndex);
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
        int pod = -1; // index of the emulated POD; -1 for a device that never answers
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
    // What every driver instance on the bus sees alike; guarded by `mutex`.
    struct Bus {
        Bus(pod::PodClock& clock, WireMode wire);
        ~Bus();
        std::mutex mutex;
        std::vector<std::shared_ptr<EmulatedPod>> pods;
        pod::PodClock& clock;
        WireMode wire;
        std::vector<Device> devices;
        std::map<std::uintptr_t, Handle> handles;
        std::uintptr_t nextHandle = 0x51D0;
        std::uint32_t lastRawMs;
        std::uint64_t extendedMs = 0;
    };

    explicit SimUsbDriver(std::shared_ptr<Bus> bus);
    EmulatedPod* PodOn(const Handle& handle) const;
    std::uint64_t NowUs();
    std::uint64_t ByteUs(const Handle& handle) const;
    bool PodUnderstands(const Handle& handle) const;
    void AfterSettingsChange(const Handle& handle);
    void UnplugLocked(int podIndex);
    // Runs `action` on a live handle under the lock and returns its status; a handle
    // that is unknown, or whose device was unplugged, fails as the FTDI driver does.
    template <typename Action> pod::FtStatus WithHandle(pod::FtHandle handle, Action&& action);
    pod::FtStatus NotLoaded();
    // The index-th device still on the bus, as the listing counts them; null past the end.
    const Device* PluggedAt(std::uint32_t index) const;
    pod::FtStatus Fail(pod::FtStatus status, std::string reason);
    std::uint32_t Arrived(const Handle& handle);
    // Opens the first plugged device that `matches`, under the bus lock.
    template <typename Match>
    pod::FtStatus OpenFirst(Match&& matches, const std::string& what, pod::FtHandle* handle);

    std::shared_ptr<Bus> m_bus;
    bool m_loaded = false;    // guarded by the bus's mutex
    std::string m_lastError;  // guarded by the bus's mutex
};

// The driver for the options' bus, with options.pods fresh emulated PODs on it; each
// takes the faults for its serial number (and those without one), and with a state
// directory of its own, a subfolder named after its serial, when there are several.
std::unique_ptr<SimUsbDriver> CreateSimDriver(const SimOptions& options, pod::PodClock& clock);

} // namespace sim
