#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

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
    // The same time in microseconds, not wrapping: NowMs() is always the low 32 bits of
    // NowUs() / 1000. For a wire that times single bytes; a clock without a finer count
    // gives whole milliseconds.
    virtual std::uint64_t NowUs() { return std::uint64_t{NowMs()} * 1000; }
    virtual void SleepMs(std::uint32_t milliseconds) = 0;
    // A pause shorter than a millisecond, for waits that track bytes on a fast link.
    virtual void SleepUs(std::uint32_t microseconds) = 0;
    // Waits, `lock` held on entry and on return, until `ready()` holds (tested whenever
    // `wake` is notified) or the clock reaches `deadlineMs`. Returns ready(). A worker
    // sleeps here until its next job is due instead of polling.
    virtual bool WaitUntilMs(std::uint32_t deadlineMs, std::condition_variable& wake,
                             std::unique_lock<std::mutex>& lock,
                             const std::function<bool()>& ready);
};

class SteadyPodClock final : public PodClock {
public:
    SteadyPodClock();
    std::uint32_t NowMs() override;
    std::uint64_t NowUs() override;
    void SleepMs(std::uint32_t milliseconds) override;
    void SleepUs(std::uint32_t microseconds) override;

private:
    std::int64_t m_epochNs;
};

// Keeps microseconds so that short sleeps add up to whole milliseconds as real ones do.
class VirtualPodClock final : public PodClock {
public:
    explicit VirtualPodClock(std::uint32_t startMs = 0) : m_nowUs(std::uint64_t{startMs} * 1000) {}
    std::uint32_t NowMs() override { return static_cast<std::uint32_t>(m_nowUs.load() / 1000); }
    std::uint64_t NowUs() override { return m_nowUs.load(); }
    void SleepMs(std::uint32_t milliseconds) override { Advance(milliseconds); }
    void SleepUs(std::uint32_t microseconds) override { m_nowUs.fetch_add(microseconds); }
    // Time moves only when somebody sleeps, so a waiter that is not ready moves it on to
    // its deadline at once, as SleepMs does.
    bool WaitUntilMs(std::uint32_t deadlineMs, std::condition_variable& wake,
                     std::unique_lock<std::mutex>& lock,
                     const std::function<bool()>& ready) override;
    void Advance(std::uint32_t milliseconds)
    {
        m_nowUs.fetch_add(std::uint64_t{milliseconds} * 1000);
    }

private:
    std::atomic<std::uint64_t> m_nowUs;
};

} // namespace pod
