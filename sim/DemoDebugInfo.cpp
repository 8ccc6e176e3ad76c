#include "sim/DemoDebugInfo.h"

#include "sim/DemoVariables.h"

namespace sim {

namespace {

class Builder {
public:
    elf::DebugInfo info;

    int Add(elf::Type type)
    {
        info.types.push_back(std::move(type));
        return static_cast<int>(info.types.size() - 1);
    }
    int Base(const char* name, std::uint32_t size, elf::BaseEncoding encoding)
    {
        elf::Type t;
        t.kind = elf::TypeKind::Base, t.name = name, t.byteSize = size, t.encoding = encoding;
        return Add(t);
    }
    void Variable(const char* name, std::uint32_t wordAddress, int type, std::uint32_t lane = 0)
    {
        info.variables.push_back({name, wordAddress * 2 + lane, type});
    }
};

} // namespace

elf::DebugInfo DemoDebugInfo()
{
    using elf::BaseEncoding;
    Builder b;
    const int u16 = b.Base("unsigned short", 2, BaseEncoding::Unsigned);
    const int s16 = b.Base("short", 2, BaseEncoding::Signed);
    const int u32 = b.Base("unsigned long", 4, BaseEncoding::Unsigned);
    const int f32 = b.Base("float", 4, BaseEncoding::Float);
    const int u8 = b.Base("unsigned char", 1, BaseEncoding::Unsigned);
    const int c8 = b.Base("char", 1, BaseEncoding::Signed);

    elf::Type frac;
    frac.kind = elf::TypeKind::Typedef, frac.name = "Frac16", frac.target = s16;
    const int frac16 = b.Add(frac);

    elf::Type motor;
    motor.kind = elf::TypeKind::Struct, motor.name = "tagMOTOR", motor.byteSize = 8;
    motor.members = {{"speed", f32, 0},     {"gain", frac16, 4},      {"RUN", u16, 6, 15, 1, 2},
                     {"FAULT", u16, 6, 14, 1, 2}, {"MODE", u16, 6, 0, 3, 2}};
    const int motorType = b.Add(motor);

    elf::Type samples;
    samples.kind = elf::TypeKind::Array, samples.count = demo::kSampleCount, samples.target = s16;
    const int samplesType = b.Add(samples);

    elf::Type text;
    text.kind = elf::TypeKind::Array, text.count = demo::kMessageWords * 2, text.target = c8;
    const int textType = b.Add(text);

    elf::Type mode;
    mode.kind = elf::TypeKind::Enum, mode.name = "DEMO_MODE", mode.byteSize = 2;
    mode.enumerators = {{"MODE_STOP", 0}, {"MODE_RUN", 1}};
    const int modeType = b.Add(mode);

    // The recorder as QUOBIN_RECORDER_DEFINE declares it: the header's words, then the buffer.
    elf::Type channel;
    channel.kind = elf::TypeKind::Struct, channel.name = "QuobinRecorderChannel", channel.byteSize = 6;
    channel.members = {{"addressLow", u16, 0}, {"addressHigh", u16, 2}, {"words", u16, 4}};
    const int channelType = b.Add(channel);
    elf::Type channels;
    channels.kind = elf::TypeKind::Array, channels.count = 8, channels.target = channelType;
    const int channelsType = b.Add(channels);
    elf::Type header;
    header.kind = elf::TypeKind::Struct, header.name = "QuobinRecorderHeader", header.byteSize = 2 * demo::kRecorderHeaderWords;
    header.members = {{"magic", u16, 0}, {"version", u16, 2}, {"state", u16, 4}, {"channelCount", u16, 6},
                      {"channel", channelsType, 8}};
    const char* const kLaterFields[] = {"divider",     "triggerChannel", "levelLow",      "levelHigh",    "edge",
                                        "preTrigger",  "sampleWords",    "capacityWords", "bufferWords",  "postTrigger",
                                        "writeIndex",  "samplesLow",     "samplesHigh",   "triggerIndex", "dividerCount",
                                        "previousLow", "previousHigh"};
    std::uint32_t offset = 8 + 6 * 8;
    for (const char* field : kLaterFields) header.members.push_back({field, u16, offset}), offset += 2;
    const int headerType = b.Add(header);
    elf::Type buffer;
    buffer.kind = elf::TypeKind::Array, buffer.count = demo::kRecorderBufferWords, buffer.target = u16;
    const int bufferType = b.Add(buffer);
    elf::Type recorder;
    recorder.kind = elf::TypeKind::Struct, recorder.byteSize = 2 * (demo::kRecorderHeaderWords + demo::kRecorderBufferWords);
    recorder.members = {{"header", headerType, 0}, {"buffer", bufferType, 2 * demo::kRecorderHeaderWords}};
    const int recorderType = b.Add(recorder);

    b.Variable("counter16", demo::kCounter16, u16);
    b.Variable("counter32", demo::kCounter32, u32);
    b.Variable("sineWave", demo::kSineWave, f32);
    b.Variable("sineAmplitude", demo::kSineAmplitude, f32);
    b.Variable("sinePeriodMs", demo::kSinePeriodMs, u16);
    b.Variable("triangle", demo::kTriangle, s16);
    b.Variable("triangleStep", demo::kTriangleStep, s16);
    b.Variable("runFlag", demo::kRunFlag, u8);
    b.Variable("message", demo::kMessage, textType);
    b.Variable("motor", demo::kMotor, motorType);
    b.Variable("samples", demo::kSamples, samplesType);
    b.Variable("mode", demo::kMode, modeType);
    b.Variable("heartbeat", demo::kHeartbeatWord, u8, 1);
    b.Variable("current", demo::kCurrent, s16);
    b.Variable("loopCount", demo::kLoopCount, u32);
    b.Variable("quobinRecorder", demo::kRecorder, recorderType);
    return std::move(b.info);
}

} // namespace sim
