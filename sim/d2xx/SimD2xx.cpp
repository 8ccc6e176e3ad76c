// The vendor D2XX C interface (the functions the POD link uses) over an emulated POD
// on an instant wire. Load it in place of the vendor library to test the run-time
// loaded back end for real. The emulator starts with the options in the environment
// variable QUOBIN_SIM_D2XX_OPTIONS ("--sim-mcu 27 --sim-fault 0x01:1:silent" ...), or
// with those given to QuobinSimD2xxConfigure().
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "pod/PodClock.h"
#include "sim/SimOptions.h"
#include "sim/SimUsbDriver.h"

namespace {

using FtStatus = std::uint32_t; // FT_STATUS
using Dword = std::uint32_t;    // DWORD / ULONG
using FtHandle = void*;         // FT_HANDLE

constexpr Dword kListNumberOnly = 0x80000000u;
constexpr Dword kListByIndex = 0x40000000u;
constexpr Dword kOpenBySerialNumber = 1;
constexpr Dword kOpenByDescription = 2;

std::mutex g_mutex;
pod::SteadyPodClock g_clock;
std::unique_ptr<sim::SimUsbDriver> g_driver;

// The emulator's own option names, as the programs take them, so that a test writes the
// emulator's settings as a user would. The wire is always instant: the library runs on
// the steady clock, and a real-time wire would make the tests wait.
std::string Configure(const std::string& text)
{
    sim::SimOptions options;
    if (std::string error = sim::ApplySimOptionLine(options, text); !error.empty()) return error;
    options.wire = sim::WireMode::kInstant;
    g_driver.reset();
    g_driver = sim::CreateSimDriver(options, g_clock);
    g_driver->Load();
    return {};
}

sim::SimUsbDriver& Driver()
{
    std::lock_guard lock(g_mutex);
    if (!g_driver) {
        const char* env = std::getenv("QUOBIN_SIM_D2XX_OPTIONS");
        if (!Configure(env != nullptr ? env : "").empty()) {
            Configure("");
        }
    }
    return *g_driver;
}

} // namespace

#ifdef _WIN32
#define SIM_D2XX_EXPORT extern "C" __declspec(dllexport)
#else
#define SIM_D2XX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Restarts the emulator with new options; 0 on success. Not part of the vendor's
// interface: tests reach it with dlsym.
SIM_D2XX_EXPORT int QuobinSimD2xxConfigure(const char* options)
{
    std::lock_guard lock(g_mutex);
    return Configure(options != nullptr ? options : "").empty() ? 0 : 1;
}

SIM_D2XX_EXPORT FtStatus FT_ListDevices(void* arg1, void* arg2, Dword flags)
{
    if ((flags & kListNumberOnly) != 0) {
        return Driver().ListDeviceCount(static_cast<std::uint32_t*>(arg1));
    }
    if ((flags & kListByIndex) != 0 && (flags & kOpenByDescription) != 0) {
        const auto index = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg1));
        return Driver().ListDeviceDescription(index, static_cast<char*>(arg2));
    }
    if ((flags & kListByIndex) != 0 && (flags & kOpenBySerialNumber) != 0) {
        const auto index = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg1));
        return Driver().ListDeviceSerial(index, static_cast<char*>(arg2));
    }
    return pod::kFtInvalidParameter;
}

SIM_D2XX_EXPORT FtStatus FT_OpenEx(void* arg1, Dword flags, FtHandle* handle)
{
    if (flags == kOpenBySerialNumber) {
        return Driver().OpenBySerial(static_cast<const char*>(arg1), handle);
    }
    if (flags != kOpenByDescription) {
        return pod::kFtInvalidParameter;
    }
    return Driver().OpenByDescription(static_cast<const char*>(arg1), handle);
}

SIM_D2XX_EXPORT FtStatus FT_ResetDevice(FtHandle handle)
{
    return Driver().ResetDevice(handle);
}

SIM_D2XX_EXPORT FtStatus FT_SetLatencyTimer(FtHandle handle, unsigned char latency)
{
    return Driver().SetLatencyTimer(handle, latency);
}

SIM_D2XX_EXPORT FtStatus FT_SetBaudRate(FtHandle handle, Dword baud)
{
    return Driver().SetBaudRate(handle, baud);
}

SIM_D2XX_EXPORT FtStatus FT_SetDataCharacteristics(FtHandle handle, unsigned char wordLength,
                                                   unsigned char stopBits, unsigned char parity)
{
    return Driver().SetDataCharacteristics(handle, wordLength, stopBits, parity);
}

SIM_D2XX_EXPORT FtStatus FT_SetFlowControl(FtHandle handle, unsigned short flow, unsigned char xon,
                                           unsigned char xoff)
{
    return Driver().SetFlowControl(handle, flow, xon, xoff);
}

SIM_D2XX_EXPORT FtStatus FT_SetTimeouts(FtHandle handle, Dword readMs, Dword writeMs)
{
    return Driver().SetTimeouts(handle, readMs, writeMs);
}

SIM_D2XX_EXPORT FtStatus FT_Purge(FtHandle handle, Dword mask)
{
    return Driver().Purge(handle, mask);
}

SIM_D2XX_EXPORT FtStatus FT_Write(FtHandle handle, void* buffer, Dword length, Dword* written)
{
    return Driver().Write(handle, buffer, length, written);
}

SIM_D2XX_EXPORT FtStatus FT_GetStatus(FtHandle handle, Dword* rxQueue, Dword* txQueue,
                                      Dword* eventStatus)
{
    return Driver().GetStatus(handle, rxQueue, txQueue, eventStatus);
}

SIM_D2XX_EXPORT FtStatus FT_Read(FtHandle handle, void* buffer, Dword length, Dword* received)
{
    return Driver().Read(handle, buffer, length, received);
}

// Left out on request to build a library that lacks one of the vendor's functions, for
// the back end's test of a library it cannot use.
#ifndef QUOBIN_SIM_D2XX_WITHOUT_GETQUEUESTATUS
SIM_D2XX_EXPORT FtStatus FT_GetQueueStatus(FtHandle handle, Dword* rxQueue)
{
    return Driver().GetQueueStatus(handle, rxQueue);
}
#endif

SIM_D2XX_EXPORT FtStatus FT_Close(FtHandle handle)
{
    return Driver().Close(handle);
}

// The line settings of an open handle as the host last set them, "921600 8-0-0 latency 2
// flow 0 timeouts 1500/1500"; empty for an unknown handle. Not part of the vendor's
// interface: tests reach it with dlsym to see what a back end passed on.
SIM_D2XX_EXPORT const char* QuobinSimD2xxLineSettings(FtHandle handle)
{
    // Formatted without std::to_string, whose digit table is a unique symbol that would
    // keep the library loaded after dlclose; tests rely on dlclose to start afresh.
    static char text[96];
    sim::SimUsbDriver::LineSettings line;
    const bool known = Driver().SettingsOf(handle, line);
    std::lock_guard lock(g_mutex);
    text[0] = '\0';
    if (known) {
        std::snprintf(text, sizeof text, "%u %u-%u-%u latency %u flow %u timeouts %u/%u",
                      static_cast<unsigned>(line.baud), static_cast<unsigned>(line.wordLength),
                      static_cast<unsigned>(line.stopBits), static_cast<unsigned>(line.parity),
                      static_cast<unsigned>(line.latencyMs), static_cast<unsigned>(line.flow),
                      static_cast<unsigned>(line.readTimeoutMs),
                      static_cast<unsigned>(line.writeTimeoutMs));
    }
    return text;
}
