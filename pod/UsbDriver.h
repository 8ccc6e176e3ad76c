#pragma once

#include <cstdint>
#include <string>

namespace pod {

// Status of a driver call, as the vendor's D2XX library returns it: 0 is success,
// every other value a failure.
using FtStatus = std::uint32_t;
using FtHandle = void*;

constexpr FtStatus kFtOk = 0;
constexpr FtStatus kFtInvalidHandle = 1;
constexpr FtStatus kFtDeviceNotFound = 2;
constexpr FtStatus kFtDeviceNotOpened = 3;
constexpr FtStatus kFtIoError = 4;
constexpr FtStatus kFtInvalidParameter = 6;
constexpr FtStatus kFtOtherError = 18;

constexpr std::uint32_t kFtListNumberOnly = 0x80000000u;
constexpr std::uint32_t kFtListByIndex = 0x40000000u;
constexpr std::uint32_t kFtOpenBySerialNumber = 1;
constexpr std::uint32_t kFtOpenByDescription = 2;
constexpr std::uint32_t kFtPurgeRx = 1;
constexpr std::uint32_t kFtPurgeTx = 2;
constexpr std::uint8_t kFtBits8 = 8;
constexpr std::uint8_t kFtStopBits1 = 0;
constexpr std::uint8_t kFtParityNone = 0;
constexpr std::uint8_t kFtParityEven = 2;
constexpr std::uint16_t kFtFlowNone = 0;

// A USB description buffer as FT_ListDevices fills it: 64 bytes, zero-terminated.
constexpr std::size_t kDescriptionSize = 64;

// The exact set of FTDI operations the POD link uses, with the D2XX library's
// arguments and status semantics. Back ends: the vendor's D2XX library loaded at run
// time, libftdi1, and the emulated POD. Nothing above this interface knows which one
// it talks to. Callers make one call at a time: every user goes through PodSession,
// whose lock serialises them, so a back end need not guard its own state.
class UsbDriver {
public:
    virtual ~UsbDriver() = default;

    // Presence test of the driver (loading the vendor library, or its equivalent).
    // Load() may be called again after Unload().
    virtual bool Load() = 0;
    virtual void Unload() = 0;
    virtual bool IsLoaded() const = 0;

    // FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY).
    virtual FtStatus ListDeviceCount(std::uint32_t* count) = 0;
    // FT_ListDevices(index, buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION); buffer
    // holds kDescriptionSize bytes and receives a zero-terminated description.
    virtual FtStatus ListDeviceDescription(std::uint32_t index, char* buffer) = 0;
    // FT_ListDevices(index, buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER): the
    // device's serial number, for device listings only. A back end without serial
    // numbers keeps this default, which reports kFtOtherError and an empty text.
    virtual FtStatus ListDeviceSerial(std::uint32_t index, char* buffer)
    {
        (void)index;
        buffer[0] = '\0';
        return kFtOtherError;
    }
    // FT_OpenEx(description, FT_OPEN_BY_DESCRIPTION, &handle).
    virtual FtStatus OpenByDescription(const char* description, FtHandle* handle) = 0;
    // FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle): the one device with that serial
    // number, for a station with several PODs. A back end without serial numbers keeps
    // this default, which finds no device.
    virtual FtStatus OpenBySerial(const char* serial, FtHandle* handle)
    {
        (void)serial;
        *handle = nullptr;
        return kFtDeviceNotFound;
    }

    virtual FtStatus ResetDevice(FtHandle handle) = 0;
    virtual FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) = 0;
    virtual FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) = 0;
    virtual FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                    std::uint8_t xoff) = 0;
    virtual FtStatus SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
    virtual FtStatus Purge(FtHandle handle, std::uint32_t mask) = 0;
    virtual FtStatus Write(FtHandle handle, const void* buffer, std::uint32_t length,
                           std::uint32_t* written) = 0;
    // FT_GetStatus: bytes waiting to be read, bytes not yet sent, event flags.
    virtual FtStatus GetStatus(FtHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                               std::uint32_t* eventStatus) = 0;
    // Returns at once with *received = 0 when no byte is waiting.
    virtual FtStatus Read(FtHandle handle, void* buffer, std::uint32_t length,
                          std::uint32_t* received) = 0;
    virtual FtStatus GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue) = 0;
    virtual FtStatus Close(FtHandle handle) = 0;

    // A readable reason for the last failure (empty when the back end has none), with a
    // hint of what to do where one helps. For logs and the command line.
    virtual std::string LastError() const = 0;
};

} // namespace pod
