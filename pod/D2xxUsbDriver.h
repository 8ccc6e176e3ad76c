#pragma once

#include "pod/UsbDriver.h"

#include <atomic>
#include <string>

namespace pod {

// The vendor's D2XX library, loaded at run time: ftd2xx.dll on Windows (from the system
// and application directories only, never the current directory), libftd2xx.dylib on
// macOS, libftd2xx.so elsewhere. Load() is the driver's presence test: it succeeds only
// when the library loads and exports every function used here; a missing function fails
// the load and LastError() names it.
class D2xxUsbDriver final : public UsbDriver {
public:
    // An empty path loads the library by its platform name through the loader's search.
    explicit D2xxUsbDriver(std::string libraryPath = "");
    ~D2xxUsbDriver() override;
    D2xxUsbDriver(const D2xxUsbDriver&) = delete;
    D2xxUsbDriver& operator=(const D2xxUsbDriver&) = delete;

    static const char* DefaultLibraryName();

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
    struct Api;

    FtStatus Failed(const char* function, FtStatus status);

    std::string m_path;
    std::atomic<bool> m_loaded{false}; // read by IsLoaded() from any thread
    Api* m_api = nullptr;
    std::string m_lastError;
};

} // namespace pod
