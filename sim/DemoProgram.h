#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "sim/TargetRam.h"

namespace sim {

// The small program running on the emulated target: counters, a sine wave whose
// amplitude and period are variables, a triangle, a run flag and a text, all held in
// target RAM (DemoVariables.h). Its control interrupt runs every 100 us: it counts the
// periods, steps the waves, puts a 1 kHz ripple on `current`, and calls the firmware's
// recorder, which polling at tens of milliseconds could never follow. The program is
// stepped lazily to the clock's time whenever somebody looks at RAM, so a virtual clock
// drives it exactly. Writes through the POD change what it does on the next period.
class DemoProgram {
public:
    // Short enough for a monitoring list to show whole: an ASCII item of the map's size
    // (16) is read as 16 characters.
    static constexpr std::string_view kRunningText = "demo running";
    static constexpr std::string_view kPausedText = "demo paused";
    static constexpr std::uint32_t kLoopHz = 10000;
    static constexpr std::uint32_t kPeriodUs = 1000000 / kLoopHz;
    // One cycle of the ripple on `current`: 200 mA at 1 kHz, ten periods.
    static constexpr std::array<std::int16_t, 10> kRipple = {0, 118, 190, 190, 118, 0, -118, -190, -190, -118};

    // `current` in the period whose count is `loopCount`, given the triangle then.
    static std::int16_t CurrentOf(std::int16_t triangle, std::uint32_t loopCount)
    {
        return static_cast<std::int16_t>(triangle + kRipple[loopCount % kRipple.size()]);
    }

    // Puts the start values into RAM, as the program's start-up code would.
    void Start(TargetRam& ram, std::uint64_t nowUs);
    // Goes on from values already in RAM (kept from an earlier run) instead of the start
    // values.
    void Resume(const TargetRam& ram, std::uint64_t nowUs);
    void Advance(TargetRam& ram, std::uint64_t nowUs);

private:
    void WriteText(TargetRam& ram, std::string_view text);
    void FollowRunFlag(TargetRam& ram);
    void SkipPeriods(TargetRam& ram, std::uint64_t periods);
    void RunPeriod(TargetRam& ram);
    void Step10Ms(TargetRam& ram);
    void WriteWaves(TargetRam& ram);

    std::uint64_t m_lastUs = 0;
    std::uint64_t m_pendingUs = 0;   // time since the last period, less than one
    std::uint32_t m_periodsInMs = 0; // periods since the last whole ms
    std::uint32_t m_msIn10Ms = 0;    // ms since the last 10 ms step
    double m_phase = 0.0;            // sine phase in periods, 0..1
    int m_direction = 1;
    bool m_wasRunning = true;
};

} // namespace sim
