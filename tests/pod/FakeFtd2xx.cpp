// A stand-in for the vendor's D2XX library, exporting its C functions: one device
// described "Quobin" (serial "QB000001") that answers every write with a canned reply.
// Built twice: complete, and without FT_GetQueueStatus to test the named load failure.
// Extra exports let the tests set the reply and read the record of calls.

#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using DWORD = std::uint32_t;
using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

namespace {
constexpr FT_STATUS kOk = 0;
constexpr FT_STATUS kInvalidHandle = 1;
constexpr FT_STATUS kDeviceNotFound = 2;
constexpr FT_STATUS kInvalidParameter = 6;

std::mutex g_mutex;
int g_device = 0; // its address is the handle
bool g_open = false;
std::string g_reply = ":0000\r";
std::deque<char> g_rx;
std::string g_log;

void Log(const std::string& line)
{
    g_log += line;
    g_log += '\n';
}

bool Valid(FT_HANDLE h)
{
    return g_open && h == &g_device;
}
} // namespace

FAKE_EXPORT void FakeFtd2xxSetReply(const char* reply)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_reply = reply;
}

FAKE_EXPORT const char* FakeFtd2xxLog()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    static std::string copy;
    copy = g_log;
    return copy.c_str();
}

FAKE_EXPORT void FakeFtd2xxReset()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_open = false;
    g_reply = ":0000\r";
    g_rx.clear();
    g_log.clear();
}

FAKE_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (flags == 0x80000000u) {
        *static_cast<DWORD*>(arg1) = 1;
        Log("ListDevices count");
        return kOk;
    }
    const auto index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg1));
    Log("ListDevices " + std::to_string(index) + " " + std::to_string(flags));
    if (index != 0) return kDeviceNotFound;
    if (flags == 0x40000002u)
        std::strcpy(static_cast<char*>(arg2), "Quobin");
    else if (flags == 0x40000001u)
        std::strcpy(static_cast<char*>(arg2), "QB000001");
    else
        return kInvalidParameter;
    return kOk;
}

FAKE_EXPORT FT_STATUS FT_OpenEx(void* arg1, DWORD flags, FT_HANDLE* handle)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Log(std::string("OpenEx ") + static_cast<const char*>(arg1) + " " + std::to_string(flags));
    if (flags != 2 || std::strcmp(static_cast<const char*>(arg1), "Quobin") != 0 || g_open)
        return kDeviceNotFound;
    g_open = true;
    *handle = &g_device;
    return kOk;
}

#define FAKE_SIMPLE(name, params, text)                                                            \
    FAKE_EXPORT FT_STATUS name params                                                              \
    {                                                                                              \
        std::lock_guard<std::mutex> lock(g_mutex);                                                 \
        if (!Valid(h)) return kInvalidHandle;                                                      \
        Log(text);                                                                                 \
        return kOk;                                                                                \
    }

FAKE_SIMPLE(FT_ResetDevice, (FT_HANDLE h), "ResetDevice")
FAKE_SIMPLE(FT_SetLatencyTimer, (FT_HANDLE h, unsigned char ms),
            "SetLatencyTimer " + std::to_string(ms))
FAKE_SIMPLE(FT_SetBaudRate, (FT_HANDLE h, std::uint32_t baud),
            "SetBaudRate " + std::to_string(baud))
FAKE_SIMPLE(FT_SetDataCharacteristics,
            (FT_HANDLE h, unsigned char bits, unsigned char stop, unsigned char parity),
            "SetDataCharacteristics " + std::to_string(bits) + " " + std::to_string(stop) + " " +
                std::to_string(parity))
FAKE_SIMPLE(FT_SetFlowControl,
            (FT_HANDLE h, unsigned short flow, unsigned char xon, unsigned char xoff),
            "SetFlowControl " + std::to_string(flow) + " " + std::to_string(xon) + " " +
                std::to_string(xoff))
FAKE_SIMPLE(FT_SetTimeouts, (FT_HANDLE h, std::uint32_t r, std::uint32_t w),
            "SetTimeouts " + std::to_string(r) + " " + std::to_string(w))

FAKE_EXPORT FT_STATUS FT_Purge(FT_HANDLE h, std::uint32_t mask)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    Log("Purge " + std::to_string(mask));
    if (mask & 1) g_rx.clear();
    return kOk;
}

FAKE_EXPORT FT_STATUS FT_Write(FT_HANDLE h, void* buffer, DWORD length, DWORD* written)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    Log("Write " + std::string(static_cast<const char*>(buffer), length));
    *written = length;
    g_rx.insert(g_rx.end(), g_reply.begin(), g_reply.end());
    return kOk;
}

FAKE_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* rx, DWORD* tx, DWORD* events)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    *rx = static_cast<DWORD>(g_rx.size());
    *tx = 0;
    *events = 0;
    return kOk;
}

FAKE_EXPORT FT_STATUS FT_Read(FT_HANDLE h, void* buffer, DWORD length, DWORD* received)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    DWORD n = 0;
    while (n < length && !g_rx.empty()) {
        static_cast<char*>(buffer)[n++] = g_rx.front();
        g_rx.pop_front();
    }
    *received = n;
    return kOk;
}

#ifndef FAKE_FTD2XX_WITHOUT_GETQUEUESTATUS
FAKE_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE h, DWORD* rx)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    *rx = static_cast<DWORD>(g_rx.size());
    return kOk;
}
#endif

FAKE_EXPORT FT_STATUS FT_Close(FT_HANDLE h)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Valid(h)) return kInvalidHandle;
    Log("Close");
    g_open = false;
    g_rx.clear();
    return kOk;
}
