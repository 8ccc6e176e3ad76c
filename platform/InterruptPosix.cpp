#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>

namespace platform {

namespace {

std::atomic<void (*)()> g_onInterrupt{nullptr};

extern "C" void OnSignal(int)
{
    if (auto handler = g_onInterrupt.load()) handler();
}

} // namespace

InterruptScope::InterruptScope(void (*onInterrupt)())
{
    g_onInterrupt.store(onInterrupt);
    m_previous = std::signal(SIGINT, OnSignal);
}

InterruptScope::~InterruptScope()
{
    std::signal(SIGINT, m_previous);
    g_onInterrupt.store(nullptr);
}

} // namespace platform
