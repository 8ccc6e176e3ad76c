#include "platform/Interrupt.h"

#include <atomic>

#include <windows.h>

namespace platform {

namespace {

std::atomic<void (*)()> g_onInterrupt{nullptr};

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    auto handler = g_onInterrupt.load();
    if (handler == nullptr) return FALSE;
    handler();
    return TRUE;
}

} // namespace

InterruptScope::InterruptScope(void (*onInterrupt)())
{
    g_onInterrupt.store(onInterrupt);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptScope::~InterruptScope()
{
    SetConsoleCtrlHandler(OnControl, FALSE);
    g_onInterrupt.store(nullptr);
}

} // namespace platform
