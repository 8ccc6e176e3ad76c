#include "sim/DemoProgram.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "sim/DemoVariables.h"

extern "C" {
#include "target/quobin_recorder.h"
// DemoRecorder.c's channel reads, and the recorder it builds.
volatile const std::uint16_t* QuobinSimWord(std::uint32_t address);
void QuobinSimRecorder_Sample(QuobinRecorderHeader* header);
}

namespace sim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kTriangleLimit = 1000;
// Beyond these gaps (a demo left alone for hours) the program skips ahead rather than
// replaying every period, or every 10 ms step; the counters still count the whole gap.
// While the recorder captures, the last periods are run one by one, so that it sees the
// loop as it ran.
constexpr std::uint64_t kMaxRunPeriods = 2 * DemoProgram::kLoopHz;
constexpr std::uint64_t kMaxReplaySteps = 60000;
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

// The RAM the recorder's C code reads its channels from, while it runs on this thread.
thread_local const TargetRam* t_recorderRam = nullptr;
thread_local std::uint16_t t_channelWords[2] = {0, 0};

static_assert(sizeof(QuobinRecorderHeader) == 2 * demo::kRecorderHeaderWords);
constexpr std::uint32_t kRecorderWords = demo::kRecorderHeaderWords + demo::kRecorderBufferWords;

// The recorder's header in RAM, when the part has room for it and its buffer.
QuobinRecorderHeader* RecorderIn(TargetRam& ram)
{
    // The header is nothing but 16-bit words, as RAM is.
    return reinterpret_cast<QuobinRecorderHeader*>(ram.Words(demo::kRecorder, kRecorderWords));
}

void StartRecorder(TargetRam& ram)
{
    std::uint16_t* words = ram.Words(demo::kRecorder, kRecorderWords);
    if (words == nullptr) return;
    // As QUOBIN_RECORDER_DEFINE's initializer leaves it.
    std::fill_n(words, kRecorderWords, std::uint16_t{0});
    auto* header = reinterpret_cast<QuobinRecorderHeader*>(words);
    header->magic = QUOBIN_RECORDER_MAGIC;
    header->version = QUOBIN_RECORDER_VERSION;
    header->state = QUOBIN_RECORDER_IDLE;
    header->divider = 1;
    header->triggerChannel = QUOBIN_RECORDER_NO_TRIGGER;
    header->capacityWords = demo::kRecorderBufferWords;
}
} // namespace

} // namespace sim

// The recorder reads a channel's one or two words here: copied out of the emulated RAM, so
// that a channel at the end of a window or outside RAM reads as zero rather than past it.
extern "C" volatile const std::uint16_t* QuobinSimWord(std::uint32_t address)
{
    const sim::TargetRam* ram = sim::t_recorderRam;
    sim::t_channelWords[0] = ram != nullptr ? ram->Read(address) : 0;
    sim::t_channelWords[1] = ram != nullptr ? ram->Read(address + 1) : 0;
    return sim::t_channelWords;
}

namespace sim {

void DemoProgram::Start(TargetRam& ram, std::uint64_t nowUs)
{
    m_lastUs = nowUs;
    m_pendingUs = 0;
    m_periodsInMs = 0;
    m_msIn10Ms = 0;
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
    ram.Write(demo::kCurrent, 0);
    ram.WriteLong(demo::kLoopCount, 0);
    StartRecorder(ram);
}

void DemoProgram::Resume(const TargetRam& ram, std::uint64_t nowUs)
{
    m_lastUs = nowUs;
    m_pendingUs = 0;
    m_periodsInMs = 0;
    m_msIn10Ms = 0;
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

void DemoProgram::WriteWaves(TargetRam& ram)
{
    const double amplitude = ReadFloat(ram, demo::kSineAmplitude);
    const float sine = static_cast<float>(amplitude * std::sin(kTwoPi * m_phase));
    WriteFloat(ram, demo::kSineWave, sine);
    WriteFloat(ram, demo::kMotor, 1500.0f + 10.0f * sine); // speed in rpm, following the sine
}

// One control interrupt.
void DemoProgram::RunPeriod(TargetRam& ram)
{
    const std::uint32_t loopCount = ram.ReadLong(demo::kLoopCount) + 1;
    ram.WriteLong(demo::kLoopCount, loopCount);
    if (++m_periodsInMs == kLoopHz / 1000) {
        m_periodsInMs = 0;
        ram.WriteLong(demo::kCounter32, ram.ReadLong(demo::kCounter32) + 1);
        if (++m_msIn10Ms == 10) {
            m_msIn10Ms = 0;
            Step10Ms(ram);
        }
    }
    const std::uint32_t periodMs = ram.Read(demo::kSinePeriodMs);
    if (periodMs != 0) {
        m_phase += static_cast<double>(kPeriodUs) / (1000.0 * periodMs);
        if (m_phase >= 1.0) m_phase = std::fmod(m_phase, 1.0);
    }
    WriteWaves(ram);
    const auto triangle = static_cast<std::int16_t>(ram.Read(demo::kTriangle));
    ram.Write(demo::kCurrent, static_cast<std::uint16_t>(CurrentOf(triangle, loopCount)));

    if (QuobinRecorderHeader* header = RecorderIn(ram)) {
        t_recorderRam = &ram;
        QuobinSimRecorder_Sample(header);
        t_recorderRam = nullptr;
    }
}

void DemoProgram::SkipPeriods(TargetRam& ram, std::uint64_t periods)
{
    ram.WriteLong(demo::kLoopCount, static_cast<std::uint32_t>(ram.ReadLong(demo::kLoopCount) + periods));
    const std::uint64_t periodsPerMs = kLoopHz / 1000;
    const std::uint64_t ms = (m_periodsInMs + periods) / periodsPerMs;
    m_periodsInMs = static_cast<std::uint32_t>((m_periodsInMs + periods) % periodsPerMs);
    ram.WriteLong(demo::kCounter32, static_cast<std::uint32_t>(ram.ReadLong(demo::kCounter32) + ms));
    const std::uint64_t steps = (m_msIn10Ms + ms) / 10;
    m_msIn10Ms = static_cast<std::uint32_t>((m_msIn10Ms + ms) % 10);
    const std::uint64_t replayed = std::min(steps, kMaxReplaySteps);
    for (std::uint64_t i = 0; i < replayed; ++i) Step10Ms(ram);
    ram.Write(demo::kCounter16, static_cast<std::uint16_t>(ram.Read(demo::kCounter16) + (steps - replayed)));
    const std::uint32_t periodMs = ram.Read(demo::kSinePeriodMs);
    if (periodMs != 0) {
        m_phase = std::fmod(m_phase + static_cast<double>(periods * kPeriodUs) / (1000.0 * periodMs), 1.0);
    }
}

void DemoProgram::FollowRunFlag(TargetRam& ram)
{
    const bool running = (ram.Read(demo::kRunFlag) & 0xFFu) != 0;
    if (running == m_wasRunning) return;
    WriteText(ram, running ? kRunningText : kPausedText);
    m_wasRunning = running;
    const std::uint16_t mode = running ? kModeRun : 0;
    ram.Write(demo::kMode, mode);
    ram.Write(demo::kMotorStatus, static_cast<std::uint16_t>((ram.Read(demo::kMotorStatus) & 0x3FF8u) |
                                                             (running ? kStatusRun : 0) | mode));
}

void DemoProgram::Advance(TargetRam& ram, std::uint64_t nowUs)
{
    // Callers on several threads may bring times a little out of order; the program
    // never runs backwards.
    if (nowUs < m_lastUs) {
        return;
    }
    const std::uint64_t elapsed = nowUs - m_lastUs;
    m_lastUs = nowUs;
    FollowRunFlag(ram);
    // Paused, the program and its interrupt stand still; the time is not made up later.
    if (!m_wasRunning) {
        return;
    }
    m_pendingUs += elapsed;
    std::uint64_t periods = m_pendingUs / kPeriodUs;
    m_pendingUs %= kPeriodUs;
    // Only the recorder sees every period; while it is not capturing, the periods before
    // the last are counted at once, so an emulated POD costs next to nothing between looks.
    const QuobinRecorderHeader* recorder = RecorderIn(ram);
    const bool capturing = recorder != nullptr && (recorder->state == QUOBIN_RECORDER_ARMED ||
                                                   recorder->state == QUOBIN_RECORDER_TRIGGERED);
    const std::uint64_t oneByOne = capturing ? kMaxRunPeriods : 1;
    if (periods > oneByOne) {
        SkipPeriods(ram, periods - oneByOne);
        periods = oneByOne;
    }
    for (std::uint64_t i = 0; i < periods; ++i) RunPeriod(ram);
}

} // namespace sim
