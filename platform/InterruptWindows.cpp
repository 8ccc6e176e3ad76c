#include "platform/Interrupt.h"

#include <atomic>

#include <windows.h>

namespace platform {

namespace {

std::atomic<void (*)()> g_onInterrupt{nullptr};
std::atomic<unsigned> g_secondExitMs{0};
std::atomic<ULONGLONG> g_firstMs{0}; // GetTickCount64 of the first event, plus one

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    auto handler = g_onInterrupt.load();
    if (handler == nullptr) return FALSE;
    const ULONGLONG now = GetTickCount64() + 1;
    const ULONGLONG first = g_firstMs.load();
    const unsigned window = g_secondExitMs.load();
    if (first != 0 && window != 0 && now - first <= window) ExitProcess(kInterruptedExitStatus);
    if (first == 0) g_firstMs.store(now);
    handler();
    return TRUE;
}

} // namespace

InterruptScope::InterruptScope(void (*onInterrupt)(), unsigned secondExitMs)
{
    g_firstMs.store(0);
    g_secondExitMs.store(secondExitMs);
    g_onInterrupt.store(onInterrupt);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptScope::~InterruptScope()
{
    SetConsoleCtrlHandler(OnControl, FALSE);
    g_onInterrupt.store(nullptr);
}

} // namespace platform
