#include "sim/DemoProgram.h"

#include <bit>
#include <cmath>

#include "sim/DemoVariables.h"

namespace sim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kTriangleLimit = 1000;
// Beyond this gap (a demo left alone for hours) the waves skip ahead rather than
// replaying every step; the counters still count the whole gap.
constexpr std::uint32_t kMaxReplayMs = 600000;
constexpr std::uint16_t kStatusRun = 0x8000;
constexpr std::uint16_t kModeRun = 1;

float ReadFloat(const TargetRam& ram, std::uint32_t address)
{
    return std::bit_cast<float>(ram.ReadLong(address));
}

void WriteFloat(TargetRam& ram, std::uint32_t address, float value)
{
    ram.WriteLong(address, std::bit_cast<std::uint32_t>(value));
}
} // namespace

void DemoProgram::Start(TargetRam& ram, std::uint32_t nowMs)
{
    m_lastMs = nowMs;
    m_subTicks = 0;
    m_phase = 0.0;
    m_direction = 1;
    m_wasRunning = true;
    ram.Write(demo::kCounter16, 0);
    ram.WriteLong(demo::kCounter32, 0);
    WriteFloat(ram, demo::kSineWave, 0.0f);
    WriteFloat(ram, demo::kSineAmplitude, 100.0f);
    ram.Write(demo::kSinePeriodMs, 2000);
    ram.Write(demo::kTriangle, 0);
    ram.Write(demo::kTriangleStep, 10);
    ram.Write(demo::kRunFlag, 1);
    WriteText(ram, kRunningText);
    WriteFloat(ram, demo::kMotor, 0.0f);
    ram.Write(demo::kMotor + 2, 0x4000); // gain 0.5 in Q15
    ram.Write(demo::kMotorStatus, kStatusRun | kModeRun);
    for (std::uint32_t i = 0; i < demo::kSampleCount; ++i) ram.Write(demo::kSamples + i, 0);
    ram.Write(demo::kMode, kModeRun);
    ram.Write(demo::kHeartbeatWord, 0);
}

void DemoProgram::Resume(const TargetRam& ram, std::uint32_t nowMs)
{
    m_lastMs = nowMs;
    m_subTicks = 0;
    m_phase = 0.0;
    m_direction = 1;
    m_wasRunning = (ram.Read(demo::kRunFlag) & 0xFFu) != 0;
}

void DemoProgram::WriteText(TargetRam& ram, std::string_view text)
{
    for (std::uint32_t i = 0; i < demo::kMessageWords; ++i) {
        const std::size_t lo = 2 * i;
        const std::uint8_t a = lo < text.size() ? static_cast<std::uint8_t>(text[lo]) : 0;
        const std::uint8_t b = lo + 1 < text.size() ? static_cast<std::uint8_t>(text[lo + 1]) : 0;
        ram.Write(demo::kMessage + i, static_cast<std::uint16_t>(a | (b << 8)));
    }
}

void DemoProgram::Step10Ms(TargetRam& ram)
{
    ram.Write(demo::kCounter16, static_cast<std::uint16_t>(ram.Read(demo::kCounter16) + 1));
    const int step = static_cast<std::int16_t>(ram.Read(demo::kTriangleStep));
    int value = static_cast<std::int16_t>(ram.Read(demo::kTriangle)) + m_direction * step;
    if (value >= kTriangleLimit) {
        value = kTriangleLimit;
        m_direction = -1;
    } else if (value <= -kTriangleLimit) {
        value = -kTriangleLimit;
        m_direction = 1;
    }
    ram.Write(demo::kTriangle, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
    const std::uint16_t count = ram.Read(demo::kCounter16);
    ram.Write(demo::kSamples + count % demo::kSampleCount, ram.Read(demo::kTriangle));
    const std::uint16_t beat = ram.Read(demo::kHeartbeatWord);
    ram.Write(demo::kHeartbeatWord, static_cast<std::uint16_t>((beat & 0x00FFu) | ((beat + 0x100u) & 0xFF00u)));
}

void DemoProgram::Advance(TargetRam& ram, std::uint32_t nowMs)
{
    // Callers on several threads may bring times a little out of order; the program
    // never runs backwards.
    if (static_cast<std::int32_t>(nowMs - m_lastMs) < 0) {
        return;
    }
    const std::uint32_t elapsed = nowMs - m_lastMs;
    m_lastMs = nowMs;
    const bool running = (ram.Read(demo::kRunFlag) & 0xFFu) != 0;
    if (running != m_wasRunning) {
        WriteText(ram, running ? kRunningText : kPausedText);
        m_wasRunning = running;
        const std::uint16_t mode = running ? kModeRun : 0;
        ram.Write(demo::kMode, mode);
        ram.Write(demo::kMotorStatus, static_cast<std::uint16_t>((ram.Read(demo::kMotorStatus) & 0x3FF8u) |
                                                                 (running ? kStatusRun : 0) | mode));
    }
    if (!running || elapsed == 0) {
        return;
    }
    ram.WriteLong(demo::kCounter32, ram.ReadLong(demo::kCounter32) + elapsed);

    const std::uint32_t replay = elapsed > kMaxReplayMs ? kMaxReplayMs : elapsed;
    m_subTicks += replay;
    while (m_subTicks >= 10) {
        m_subTicks -= 10;
        Step10Ms(ram);
    }
    if (elapsed > replay) {
        const std::uint32_t skippedSteps = (elapsed - replay) / 10;
        ram.Write(demo::kCounter16,
                  static_cast<std::uint16_t>(ram.Read(demo::kCounter16) + skippedSteps));
    }

    const std::uint32_t period = ram.Read(demo::kSinePeriodMs);
    if (period != 0) {
        m_phase = std::fmod(m_phase + static_cast<double>(elapsed) / period, 1.0);
    }
    const double amplitude = ReadFloat(ram, demo::kSineAmplitude);
    const float sine = static_cast<float>(amplitude * std::sin(kTwoPi * m_phase));
    WriteFloat(ram, demo::kSineWave, sine);
    WriteFloat(ram, demo::kMotor, 1500.0f + 10.0f * sine); // speed in rpm, following the sine
}

} // namespace sim
