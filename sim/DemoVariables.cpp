#include "sim/DemoVariables.h"

#include <array>

namespace sim {

std::span<const DemoVariable> DemoVariables()
{
    static constexpr std::array<DemoVariable, 9> kTable = {{
        {"Fcounter16", demo::kCounter16, 1, ".bss", "16-bit counter, +1 every 10 ms"},
        {"Fcounter32", demo::kCounter32, 2, ".bss", "32-bit counter, +1 every ms"},
        {"FsineWave", demo::kSineWave, 2, ".bss", "FLOAT sine wave"},
        {"FsineAmplitude", demo::kSineAmplitude, 2, ".data", "FLOAT amplitude of the sine wave"},
        {"FsinePeriodMs", demo::kSinePeriodMs, 1, ".data", "period of the sine wave in ms"},
        {"Ftriangle", demo::kTriangle, 1, ".bss", "INT16 triangle wave"},
        {"FtriangleStep", demo::kTriangleStep, 1, ".data", "INT16 step of the triangle per 10 ms"},
        {"FrunFlag", demo::kRunFlag, 1, ".data", "byte flag, 0 pauses the program"},
        {"Fmessage", demo::kMessage, demo::kMessageWords, ".data", "text"},
    }};
    return kTable;
}

std::span<const DemoVariable> DemoTypedVariables()
{
    static constexpr std::array<DemoVariable, 7> kTable = {{
        {"Fmotor", demo::kMotor, 4, ".bss", "struct: speed, Q15 gain, status bit fields"},
        {"Fsamples", demo::kSamples, demo::kSampleCount, ".bss", "short[8] ring of the triangle"},
        {"Fmode", demo::kMode, 1, ".data", "enum DEMO_MODE"},
        {"Fheartbeat", demo::kHeartbeatWord + 1, 1, ".bss", "char at an odd byte"},
        {"Fcurrent", demo::kCurrent, 1, ".bss", "mA: the triangle plus a 1 kHz ripple"},
        {"FloopCount", demo::kLoopCount, 2, ".bss", "control periods, +1 every 100 us"},
        {"FquobinRecorder", demo::kRecorder, demo::kRecorderHeaderWords + demo::kRecorderBufferWords, ".bss",
         "the recorder of target/quobin_recorder.h"},
    }};
    return kTable;
}

} // namespace sim
