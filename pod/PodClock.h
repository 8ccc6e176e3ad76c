#pragma once

#include <atomic>
#include <cstdint>

namespace pod {

// Milliseconds and sleeping, injected wherever the link measures time-outs,
// intervals or elapsed times. The steady clock serves the program; tests use
// VirtualPodClock, whose time moves only when somebody sleeps or advances it, so
// time-outs are tested exactly and without waiting.
class PodClock {
public:
    virtual ~PodClock() = default;
    // Milliseconds since an arbitrary epoch; 32-bit and wrapping, like timeGetTime.
    virtual std::uint32_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t milliseconds) = 0;
};

class SteadyPodClock final : public PodClock {
public:
    SteadyPodClock();
    std::uint32_t NowMs() override;
    void SleepMs(std::uint32_t milliseconds) override;

private:
    std::int64_t m_epochNs;
};

class VirtualPodClock final : public PodClock {
public:
    explicit VirtualPodClock(std::uint32_t startMs = 0) : m_nowMs(startMs) {}
    std::uint32_t NowMs() override { return m_nowMs.load(); }
    void SleepMs(std::uint32_t milliseconds) override { m_nowMs.fetch_add(milliseconds); }
    void Advance(std::uint32_t milliseconds) { m_nowMs.fetch_add(milliseconds); }

private:
    std::atomic<std::uint32_t> m_nowMs;
};

} // namespace pod
