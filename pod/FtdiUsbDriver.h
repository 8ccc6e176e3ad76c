#pragma once

#include "pod/UsbDriver.h"

#include <mutex>
#include <set>
#include <string>

struct ftdi_context;

namespace pod {

// The POD's FTDI chip through libftdi1 (libusb), for systems without the vendor's
// library. A handle points to a per-device context. Transfers are synchronous: a write
// returns when libusb has handed the bytes to the chip, so the transmit queue reads 0.
// Reads never block longer than one short USB poll. Every failure keeps libftdi's reason,
// with a hint where the cause is usually the system's set-up (the kernel's ftdi_sio
// driver holding the device, or missing permissions on the USB device node).
class FtdiUsbDriver final : public UsbDriver {
public:
    FtdiUsbDriver();
    ~FtdiUsbDriver() override;
    FtdiUsbDriver(const FtdiUsbDriver&) = delete;
    FtdiUsbDriver& operator=(const FtdiUsbDriver&) = delete;

    // False in a build without libftdi1 (Windows), where Load() only says so.
    static bool Available();

    // libftdi's values for a D2XX character format; false when libftdi has none.
    struct LineProperties {
        int bits;
        int stopBits;
        int parity;
    };
    static bool MapLineProperties(std::uint8_t wordLength, std::uint8_t stopBits,
                                  std::uint8_t parity, LineProperties& out);
    // libftdi's SIO flow-control value for a D2XX one; false when unknown.
    static bool MapFlowControl(std::uint16_t flow, int& sioFlow);
    // What to do about a libftdi failure reason, or empty.
    static std::string HintFor(const std::string& reason);
    // The text LastError() gives for a failed libftdi call: the call, its result, libftdi's
    // own reason (ftdi_get_error_string) and the hint for it.
    static std::string DescribeFailure(const char* call, int result, const std::string& reason);
    // Milliseconds one USB poll of a read may take at most.
    static constexpr int kPollTimeoutMs = 16;

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
    struct Device;

    Device* Find(FtHandle handle);
    FtStatus Fail(ftdi_context* context, const char* call, int result, FtStatus status);
    FtStatus FailText(const std::string& text, FtStatus status);
    // Description (or serial) of device index; status as FT_ListDevices.
    FtStatus DeviceString(std::uint32_t index, char* buffer, bool serial);
    // Opens the first device whose description (or, with bySerial, serial string) is
    // exactly `text`, as the vendor library does.
    FtStatus OpenMatching(const char* text, bool bySerial, FtHandle* handle);

    mutable std::mutex m_mutex;
    ftdi_context* m_context = nullptr; // for enumeration; its existence is "loaded"
    std::set<Device*> m_devices;
    std::string m_lastError;
};

} // namespace pod
