#include "pod/FtdiUsbDriver.h"

// libftdi1 reaches the chip through libusb, which on Windows would need the POD's own
// driver replaced; there the vendor's D2XX driver is the back end. This build of
// FtdiUsbDriver never loads and says so, so that `--driver ftdi` gets an answer.

namespace pod {

namespace {

constexpr const char* kUnavailable =
    "libftdi1 is a Linux back end and is not part of the Windows build; the POD is driven "
    "through FTDI's D2XX driver (--driver d2xx)";

} // namespace

bool FtdiUsbDriver::Available() { return false; }

FtdiUsbDriver::FtdiUsbDriver() = default;
FtdiUsbDriver::~FtdiUsbDriver() = default;

bool FtdiUsbDriver::Load()
{
    std::lock_guard lock(m_mutex);
    m_lastError = kUnavailable;
    return false;
}

void FtdiUsbDriver::Unload() {}
bool FtdiUsbDriver::IsLoaded() const { return false; }

FtStatus FtdiUsbDriver::FailText(const std::string& text, FtStatus status)
{
    std::lock_guard lock(m_mutex);
    m_lastError = text;
    return status;
}

FtStatus FtdiUsbDriver::ListDeviceCount(std::uint32_t* count)
{
    if (count != nullptr) *count = 0;
    return FailText(kUnavailable, kFtOtherError);
}

FtStatus FtdiUsbDriver::ListDeviceDescription(std::uint32_t, char*)
{
    return FailText(kUnavailable, kFtOtherError);
}

FtStatus FtdiUsbDriver::ListDeviceSerial(std::uint32_t, char*)
{
    return FailText(kUnavailable, kFtOtherError);
}

FtStatus FtdiUsbDriver::OpenByDescription(const char*, FtHandle*)
{
    return FailText(kUnavailable, kFtDeviceNotOpened);
}

FtStatus FtdiUsbDriver::OpenBySerial(const char*, FtHandle*)
{
    return FailText(kUnavailable, kFtDeviceNotOpened);
}

FtStatus FtdiUsbDriver::ResetDevice(FtHandle) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::SetLatencyTimer(FtHandle, std::uint8_t) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::SetBaudRate(FtHandle, std::uint32_t) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t)
{
    return kFtInvalidHandle;
}
FtStatus FtdiUsbDriver::SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t)
{
    return kFtInvalidHandle;
}
FtStatus FtdiUsbDriver::SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::Purge(FtHandle, std::uint32_t) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::Write(FtHandle, const void*, std::uint32_t, std::uint32_t*)
{
    return kFtInvalidHandle;
}
FtStatus FtdiUsbDriver::GetStatus(FtHandle, std::uint32_t*, std::uint32_t*, std::uint32_t*)
{
    return kFtInvalidHandle;
}
FtStatus FtdiUsbDriver::Read(FtHandle, void*, std::uint32_t, std::uint32_t*) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::GetQueueStatus(FtHandle, std::uint32_t*) { return kFtInvalidHandle; }
FtStatus FtdiUsbDriver::Close(FtHandle) { return kFtInvalidHandle; }

std::string FtdiUsbDriver::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

} // namespace pod
