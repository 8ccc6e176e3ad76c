#include "pod/PodIo.h"

#include "pod/PodSession.h"

namespace pod {

namespace {

// How long the bytes still queued for sending need on the wire, capped at 1 ms: waiting
// that long between polls frees the processor while a long frame drains, and the cap keeps
// the reaction to an empty queue (and to the time-out) within a millisecond.
std::uint32_t DrainWaitUs(std::uint32_t txQueue, PodConfiguration configuration)
{
    // 10 bits a byte at 921600 baud; 11 (with the parity bit) at the boot loader's 115200.
    const bool boot = configuration == PodConfiguration::Boot;
    const std::uint64_t bitsPerByte = boot ? 11 : 10;
    const std::uint64_t baud = boot ? kBootBaud : kCommandBaud;
    const std::uint64_t us = (txQueue * bitsPerByte * 1'000'000 + baud - 1) / baud;
    return static_cast<std::uint32_t>(us < 1000 ? us : 1000);
}

} // namespace

PodIoResult PodWrite(PodSession& session, const void* buffer, std::uint32_t length,
                     std::uint32_t timeoutMs)
{
    auto lock = session.Lock();
    UsbDriver& driver = session.driver();
    PodClock& clock = session.clock();
    const FtHandle handle = session.handle();

    std::uint32_t written = 0;
    if (driver.Write(handle, buffer, length, &written) != kFtOk) return PodIoResult::DriverError;
    std::uint32_t rxQueue = 0;
    std::uint32_t txQueue = 0;
    std::uint32_t events = 0;
    if (driver.GetStatus(handle, &rxQueue, &txQueue, &events) != kFtOk)
        return PodIoResult::DriverError;
    // Elapsed time by unsigned difference, so the 32-bit millisecond counter may wrap.
    const std::uint32_t start = clock.NowMs();
    while (clock.NowMs() - start < timeoutMs) {
        if (txQueue == 0) return PodIoResult::Done;
        clock.SleepUs(DrainWaitUs(txQueue, session.configuration()));
        if (driver.GetStatus(handle, &rxQueue, &txQueue, &events) != kFtOk)
            return PodIoResult::DriverError;
    }
    return txQueue == 0 ? PodIoResult::Done : PodIoResult::Timeout;
}

PodIoResult PodRead(PodSession& session, void* buffer, std::uint32_t count, std::uint32_t timeoutMs,
                    std::uint32_t* storedOut)
{
    auto lock = session.Lock();
    std::uint32_t stored = 0;
    const auto finish = [&](PodIoResult result) {
        if (storedOut != nullptr) *storedOut = stored;
        return result;
    };
    if (count == 0) return finish(PodIoResult::Done);
    UsbDriver& driver = session.driver();
    PodClock& clock = session.clock();
    const FtHandle handle = session.handle();
    auto* bytes = static_cast<unsigned char*>(buffer);

    bool idle = false;
    bool idleAgain = false; // a second empty read of the current idle run happened
    std::uint32_t idleStart = 0;
    std::uint32_t lastIdle = 0;
    for (;;) {
        std::uint32_t got = 0;
        if (driver.Read(handle, bytes + stored, 1, &got) != kFtOk)
            return finish(PodIoResult::DriverError);
        if (got == 1) {
            ++stored;
            idle = false;
            idleAgain = false;
        } else {
            if (!idle) {
                idleStart = clock.NowMs();
                idle = true;
            } else {
                lastIdle = clock.NowMs();
                idleAgain = true;
            }
            clock.SleepMs(1);
        }
        std::uint32_t rxQueue = 0;
        if (driver.GetQueueStatus(handle, &rxQueue) != kFtOk)
            return finish(PodIoResult::DriverError);
        if (stored >= count) return finish(PodIoResult::Done);
        if (rxQueue > 0) continue;
        // The first empty read of a run never expires by itself. Compared as an
        // elapsed difference so that a counter wrapping inside the run neither cuts
        // the wait short nor stretches it for 49 days.
        if (idleAgain && lastIdle - idleStart >= timeoutMs) return finish(PodIoResult::Timeout);
    }
}

} // namespace pod
