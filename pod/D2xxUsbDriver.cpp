#include "pod/D2xxUsbDriver.h"

#include "pod/FtStatusName.h"
#include "pod/FtdiUsbDriver.h"

#include "platform/SharedLibrary.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>

namespace pod {

namespace {

// The D2XX C interface: DWORD and ULONG are 32-bit unsigned on every platform the
// library ships for, UCHAR 8-bit, USHORT 16-bit, FT_HANDLE an opaque pointer.
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using FT_STATUS = ULONG;
using FT_HANDLE = void*;

using FnListDevices = FT_STATUS(QUOBIN_LIBRARY_CALL*)(void*, void*, DWORD);
using FnOpenEx = FT_STATUS(QUOBIN_LIBRARY_CALL*)(void*, DWORD, FT_HANDLE*);
using FnHandle = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE);
using FnSetLatencyTimer = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, UCHAR);
using FnSetBaudRate = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, ULONG);
using FnSetDataCharacteristics = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, UCHAR, UCHAR, UCHAR);
using FnSetFlowControl = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, USHORT, UCHAR, UCHAR);
using FnSetTimeouts = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, ULONG, ULONG);
using FnPurge = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, ULONG);
using FnTransfer = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, void*, DWORD, DWORD*);
using FnGetStatus = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, DWORD*, DWORD*, DWORD*);
using FnGetQueueStatus = FT_STATUS(QUOBIN_LIBRARY_CALL*)(FT_HANDLE, DWORD*);

constexpr FtStatus kFtFailedToWriteDevice = 10;

// What the user can do about a failed call, by its status; empty where nothing helps.
const char* HintFor(FtStatus status)
{
    switch (status) {
    case kFtInvalidHandle:
        return "The POD was closed or unplugged; plug it in again and retry.";
    case kFtDeviceNotFound:
        return "Check that the POD is plugged in; quobin-cli devices lists the devices the "
               "driver sees.";
    case kFtDeviceNotOpened:
        // On Linux and macOS the vendor library cannot open a chip that the kernel's serial
        // driver has bound.
        return "Another program may have the POD open: close it. On Linux, the kernel's "
               "ftdi_sio driver may hold it: sudo rmmod ftdi_sio.";
    case kFtIoError:
    case kFtFailedToWriteDevice:
        return "The USB transfer failed: check the cable, plug the POD in again and retry.";
    default:
        return "";
    }
}

} // namespace

struct D2xxUsbDriver::Api {
    platform::SharedLibrary library;
    FnListDevices listDevices = nullptr;
    FnOpenEx openEx = nullptr;
    FnHandle resetDevice = nullptr;
    FnSetLatencyTimer setLatencyTimer = nullptr;
    FnSetBaudRate setBaudRate = nullptr;
    FnSetDataCharacteristics setDataCharacteristics = nullptr;
    FnSetFlowControl setFlowControl = nullptr;
    FnSetTimeouts setTimeouts = nullptr;
    FnPurge purge = nullptr;
    FnTransfer write = nullptr;
    FnGetStatus getStatus = nullptr;
    FnTransfer read = nullptr;
    FnGetQueueStatus getQueueStatus = nullptr;
    FnHandle close = nullptr;
};

D2xxUsbDriver::D2xxUsbDriver(std::string libraryPath) : m_path(std::move(libraryPath))
{
    if (m_path.empty()) m_path = DefaultLibraryName();
}

D2xxUsbDriver::~D2xxUsbDriver()
{
    Unload();
}

const char* D2xxUsbDriver::DefaultLibraryName()
{
    static const std::string name = platform::SharedLibraryFileName("ftd2xx");
    return name.c_str();
}

bool D2xxUsbDriver::Load()
{
    if (m_loaded) return true;
    auto api = std::make_unique<Api>();
    if (const platform::SystemError error = api->library.Open(m_path)) {
        m_lastError = "Cannot load the FTDI D2XX library " + m_path + ": " + error.text +
                      (FtdiUsbDriver::Available()
                           ? ". Install FTDI's D2XX driver, or use the libftdi back end."
                           : ". Install FTDI's D2XX driver.");
        return false;
    }
    const char* missing = nullptr;
    auto bind = [&](auto& slot, const char* name) {
        if (missing != nullptr) return;
        void* symbol = nullptr;
        if (api->library.Find(name, symbol))
            missing = name;
        else
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(symbol);
    };
    bind(api->listDevices, "FT_ListDevices");
    bind(api->openEx, "FT_OpenEx");
    bind(api->resetDevice, "FT_ResetDevice");
    bind(api->setLatencyTimer, "FT_SetLatencyTimer");
    bind(api->setBaudRate, "FT_SetBaudRate");
    bind(api->setDataCharacteristics, "FT_SetDataCharacteristics");
    bind(api->setFlowControl, "FT_SetFlowControl");
    bind(api->setTimeouts, "FT_SetTimeouts");
    bind(api->purge, "FT_Purge");
    bind(api->write, "FT_Write");
    bind(api->getStatus, "FT_GetStatus");
    bind(api->read, "FT_Read");
    bind(api->getQueueStatus, "FT_GetQueueStatus");
    bind(api->close, "FT_Close");
    if (missing != nullptr) {
        m_lastError = std::string("The FTDI D2XX library ") + m_path + " lacks the function " +
                      missing + "; install a current D2XX driver.";
        return false;
    }
    m_api = api.release();
    m_loaded = true;
    m_lastError.clear();
    return true;
}

void D2xxUsbDriver::Unload()
{
    if (!m_loaded) return;
    m_loaded = false;
    delete m_api; // unloads the library
    m_api = nullptr;
}

bool D2xxUsbDriver::IsLoaded() const
{
    return m_loaded;
}

FtStatus D2xxUsbDriver::Failed(const char* function, FtStatus status)
{
    if (status != kFtOk) {
        char text[128];
        std::snprintf(text, sizeof text, "%s failed with status %u (%s).", function,
                      static_cast<unsigned>(status), FtStatusName(status));
        m_lastError = text;
        if (const std::string hint = HintFor(status); !hint.empty()) m_lastError += " " + hint;
    }
    return status;
}

#define QUOBIN_D2XX_REQUIRE_LOADED                                                                 \
    do {                                                                                           \
        if (m_api == nullptr) {                                                                    \
            m_lastError = "The FTDI D2XX library is not loaded.";                                  \
            return kFtOtherError;                                                                  \
        }                                                                                          \
    } while (false)

FtStatus D2xxUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    DWORD n = 0;
    const FtStatus status = m_api->listDevices(&n, nullptr, kFtListNumberOnly);
    *count = n;
    return Failed("FT_ListDevices", status);
}

FtStatus D2xxUsbDriver::ListDeviceDescription(std::uint32_t index, char* buffer)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    // With FT_LIST_BY_INDEX the index itself travels in the pointer argument.
    void* arg = reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));
    return Failed("FT_ListDevices",
                  m_api->listDevices(arg, buffer, kFtListByIndex | kFtOpenByDescription));
}

FtStatus D2xxUsbDriver::ListDeviceSerial(std::uint32_t index, char* buffer)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    void* arg = reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));
    return Failed("FT_ListDevices",
                  m_api->listDevices(arg, buffer, kFtListByIndex | kFtOpenBySerialNumber));
}

FtStatus D2xxUsbDriver::OpenByDescription(const char* description, FtHandle* handle)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_OpenEx",
                  m_api->openEx(const_cast<char*>(description), kFtOpenByDescription, handle));
}

FtStatus D2xxUsbDriver::OpenBySerial(const char* serial, FtHandle* handle)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_OpenEx",
                  m_api->openEx(const_cast<char*>(serial), kFtOpenBySerialNumber, handle));
}

FtStatus D2xxUsbDriver::ResetDevice(FtHandle handle)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_ResetDevice", m_api->resetDevice(handle));
}

FtStatus D2xxUsbDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_SetLatencyTimer", m_api->setLatencyTimer(handle, milliseconds));
}

FtStatus D2xxUsbDriver::SetBaudRate(FtHandle handle, std::uint32_t baud)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_SetBaudRate", m_api->setBaudRate(handle, baud));
}

FtStatus D2xxUsbDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_SetDataCharacteristics",
                  m_api->setDataCharacteristics(handle, wordLength, stopBits, parity));
}

FtStatus D2xxUsbDriver::SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                       std::uint8_t xoff)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_SetFlowControl", m_api->setFlowControl(handle, flow, xon, xoff));
}

FtStatus D2xxUsbDriver::SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_SetTimeouts", m_api->setTimeouts(handle, readMs, writeMs));
}

FtStatus D2xxUsbDriver::Purge(FtHandle handle, std::uint32_t mask)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_Purge", m_api->purge(handle, mask));
}

FtStatus D2xxUsbDriver::Write(FtHandle handle, const void* buffer, std::uint32_t length,
                              std::uint32_t* written)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    DWORD n = 0;
    const FtStatus status = m_api->write(handle, const_cast<void*>(buffer), length, &n);
    *written = n;
    return Failed("FT_Write", status);
}

FtStatus D2xxUsbDriver::GetStatus(FtHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                                  std::uint32_t* eventStatus)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    DWORD rx = 0;
    DWORD tx = 0;
    DWORD events = 0;
    const FtStatus status = m_api->getStatus(handle, &rx, &tx, &events);
    *rxQueue = rx;
    *txQueue = tx;
    *eventStatus = events;
    return Failed("FT_GetStatus", status);
}

FtStatus D2xxUsbDriver::Read(FtHandle handle, void* buffer, std::uint32_t length,
                             std::uint32_t* received)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    *received = 0;
    // FT_Read blocks for the read time-out when fewer bytes are waiting than asked;
    // the link polls instead, so only what is already queued is read.
    DWORD queued = 0;
    FtStatus status = m_api->getQueueStatus(handle, &queued);
    if (status != kFtOk || queued == 0) return Failed("FT_GetQueueStatus", status);
    DWORD n = 0;
    status = m_api->read(handle, buffer, queued < length ? queued : length, &n);
    *received = n;
    return Failed("FT_Read", status);
}

FtStatus D2xxUsbDriver::GetQueueStatus(FtHandle handle, std::uint32_t* rxQueue)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    DWORD rx = 0;
    const FtStatus status = m_api->getQueueStatus(handle, &rx);
    *rxQueue = rx;
    return Failed("FT_GetQueueStatus", status);
}

FtStatus D2xxUsbDriver::Close(FtHandle handle)
{
    QUOBIN_D2XX_REQUIRE_LOADED;
    return Failed("FT_Close", m_api->close(handle));
}

std::string D2xxUsbDriver::LastError() const
{
    return m_lastError;
}

} // namespace pod
