#pragma once

#include <cstdint>
#include <string_view>

#include "sim/TargetRam.h"

namespace sim {

// The small program running on the emulated target: counters, a sine wave whose
// amplitude and period are variables, a triangle, a run flag and a text, all held in
// target RAM (DemoVariables.h). It is stepped lazily to the clock's time whenever
// somebody looks at RAM, so a virtual clock drives it exactly. Writes through the POD
// change what it does on the next step.
class DemoProgram {
public:
    // Short enough for a monitoring list to show whole: an ASCII item of the map's size
    // (16) is read as 16 characters.
    static constexpr std::string_view kRunningText = "demo running";
    static constexpr std::string_view kPausedText = "demo paused";

    // Puts the start values into RAM, as the program's start-up code would.
    void Start(TargetRam& ram, std::uint32_t nowMs);
    // Goes on from values already in RAM (kept from an earlier run) instead of the start
    // values.
    void Resume(const TargetRam& ram, std::uint32_t nowMs);
    void Advance(TargetRam& ram, std::uint32_t nowMs);

private:
    void WriteText(TargetRam& ram, std::string_view text);
    void Step10Ms(TargetRam& ram);

    std::uint32_t m_lastMs = 0;
    std::uint32_t m_subTicks = 0; // ms since the last 10 ms step
    double m_phase = 0.0;         // sine phase in periods, 0..1
    int m_direction = 1;
    bool m_wasRunning = true;
};

} // namespace sim
