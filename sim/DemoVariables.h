#pragma once

#include <cstdint>
#include <span>

namespace sim {

// The variables of the program that runs on the emulated target, at their data-space
// word addresses. The addresses lie inside the data RAM window of every part in the
// catalogue (the smallest is 0x0000-0x01FF). examples/demo.xMAP is generated from this
// table (quobin-sim-demo-map).
struct DemoVariable {
    const char* name;      // as the linker decorates it: one prefix character
    std::uint32_t address; // word address
    std::uint32_t words;   // size in 16-bit words
    const char* section;   // ".bss" or ".data"
    const char* meaning;
};

namespace demo {
constexpr std::uint32_t kCounter16 = 0x0080;     // UINT16, +1 every 10 ms
constexpr std::uint32_t kCounter32 = 0x0082;     // UINT32, +1 every ms
constexpr std::uint32_t kSineWave = 0x0084;      // FLOAT, amplitude * sin(2 pi t / period)
constexpr std::uint32_t kSineAmplitude = 0x0086; // FLOAT, 100.0 at start
constexpr std::uint32_t kSinePeriodMs = 0x0088;  // UINT16, 2000 at start
constexpr std::uint32_t kTriangle = 0x0089;      // INT16, -1000..1000
constexpr std::uint32_t kTriangleStep = 0x008A;  // INT16, change per 10 ms, 10 at start
constexpr std::uint32_t kRunFlag = 0x008B;       // byte flag in the low byte: 0 pauses the program
constexpr std::uint32_t kMessage = 0x0090;       // text, two characters per word, low byte first
constexpr std::uint32_t kMessageWords = 16;
// Typed data, described by examples/demo.elf (DemoDebugInfo.h):
constexpr std::uint32_t kMotor = 0x0140;        // struct: float speed, Frac16 gain, status bits
constexpr std::uint32_t kMotorStatus = 0x0143;  // RUN bit 15, FAULT bit 14, MODE bits 0..2
constexpr std::uint32_t kSamples = 0x0144;      // short[8]: the triangle, one per 10 ms, as a ring
constexpr std::uint32_t kSampleCount = 8;
constexpr std::uint32_t kMode = 0x014C;         // enum: 0 MODE_STOP, 1 MODE_RUN
constexpr std::uint32_t kHeartbeatWord = 0x014D; // unsigned char in the high byte, +1 every 10 ms
// The control loop, one period every 100 us:
constexpr std::uint32_t kCurrent = 0x0150;   // short, mA: the triangle plus a 1 kHz ripple
constexpr std::uint32_t kLoopCount = 0x0152; // unsigned long, +1 every period
// The firmware's recorder (target/quobin_recorder.h): its header, then the buffer. It needs
// a part with data RAM up to 0x122C, as the default MC56F8367 has; on smaller parts the
// program runs without it.
constexpr std::uint32_t kRecorder = 0x0200;
constexpr std::uint32_t kRecorderBufferWords = 4096;
constexpr std::uint32_t kRecorderHeaderWords = 45;
} // namespace demo

// The variables of the classic map (examples/demo.xMAP).
std::span<const DemoVariable> DemoVariables();
// The typed data, listed only by the map that has an ELF beside it (examples/demo.elf.xMAP).
// The char at the odd byte is listed at the next word, as the linker rounds it.
std::span<const DemoVariable> DemoTypedVariables();

} // namespace sim
