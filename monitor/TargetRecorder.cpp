#include "monitor/TargetRecorder.h"

#include "monitor/ValueText.h"
#include "monitor/ViewType.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"

namespace monitor {

namespace {

using namespace recorder;

RecorderResult Refused(std::string why)
{
    return {std::move(why), pod::PodOutcome::Ok()};
}

// Reads `count` header words from `first` on.
pod::PodOutcome ReadWords(pod::PodSession& session, std::uint32_t base, std::uint32_t first, std::uint32_t count,
                          std::vector<std::uint16_t>& words)
{
    words.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        if (const pod::PodOutcome outcome = pod::CmdReadMemory(session, HEX16, base + first + i, value); !outcome)
            return outcome;
        words.push_back(static_cast<std::uint16_t>(value));
    }
    return pod::PodOutcome::Ok();
}

std::string ChecksHeader(std::uint32_t base, const std::vector<std::uint16_t>& head)
{
    if (head[kMagicWord] != kMagic)
        return "no recorder at " + WordAddressText(base) + ": its first word is " + std::to_string(head[kMagicWord]) +
               ", not the recorder's mark " + std::to_string(kMagic);
    if (head[kVersionWord] != kVersion)
        return "the recorder at " + WordAddressText(base) + " has layout version " + std::to_string(head[kVersionWord]) +
               "; this Quobin reads version " + std::to_string(kVersion);
    return {};
}

} // namespace

RecorderResult ArmRecorder(pod::PodSession& session, std::uint32_t base, const RecorderSettings& settings)
{
    if (settings.channels.empty() || settings.channels.size() > kMaxChannels)
        return Refused("a capture takes 1 to " + std::to_string(kMaxChannels) + " channels");
    std::uint32_t sampleWords = 0;
    for (const RecorderChannel& channel : settings.channels) {
        if (channel.words != 1 && channel.words != 2) return Refused("a channel is one or two words wide");
        sampleWords += channel.words;
    }
    if (settings.samples == 0 || settings.preTrigger >= settings.samples)
        return Refused("a capture takes at least one sample after the pre-trigger samples");
    if (settings.divider == 0) return Refused("the divider is at least 1");
    if (settings.triggerChannel && *settings.triggerChannel >= settings.channels.size())
        return Refused("the trigger is one of the captured channels");

    auto lock = session.Lock();
    std::vector<std::uint16_t> head;
    if (const pod::PodOutcome outcome = ReadWords(session, base, 0, kHeaderWords, head); !outcome)
        return {{}, outcome};
    if (std::string why = ChecksHeader(base, head); !why.empty()) return Refused(why);
    const auto state = static_cast<State>(head[kState]);
    if (state == State::Armed || state == State::Triggered)
        return Refused("the recorder at " + WordAddressText(base) + " is capturing; wait for it or stop it first");
    const std::uint32_t bufferWords = sampleWords * settings.samples;
    if (bufferWords > head[kCapacityWords])
        return Refused(std::to_string(settings.samples) + " samples of " + std::to_string(sampleWords) +
                       " words need " + std::to_string(bufferWords) + " words; the recorder holds " +
                       std::to_string(head[kCapacityWords]));

    // Idle first (a done capture is dropped), then everything but the state, then armed.
    std::vector<std::pair<std::uint32_t, std::uint16_t>> writes = {{kState, 0}};
    writes.push_back({kChannelCount, static_cast<std::uint16_t>(settings.channels.size())});
    for (std::size_t i = 0; i < settings.channels.size(); ++i) {
        const RecorderChannel& channel = settings.channels[i];
        const auto at = static_cast<std::uint32_t>(kChannels + 3 * i);
        writes.push_back({at, static_cast<std::uint16_t>(channel.address)});
        writes.push_back({at + 1, static_cast<std::uint16_t>(channel.address >> 16)});
        writes.push_back({at + 2, channel.words});
    }
    const auto level = static_cast<std::uint32_t>(settings.level);
    const std::pair<std::uint32_t, std::uint32_t> fields[] = {
        {kDivider, settings.divider},
        {kTriggerChannel, settings.triggerChannel.value_or(kNoTrigger)},
        {kLevelLow, level & 0xFFFFu},
        {kLevelHigh, level >> 16},
        {kEdge, static_cast<std::uint16_t>(settings.edge)},
        {kPreTrigger, settings.preTrigger},
        {kSampleWords, sampleWords},
        {kBufferWords, bufferWords},
        {kPostTrigger, static_cast<std::uint32_t>(settings.samples - settings.preTrigger)},
        {kWriteIndex, 0}, {kSamplesLow, 0}, {kSamplesHigh, 0}, {kTriggerIndex, 0},
        {kDividerCount, 0}, {kPreviousLow, 0}, {kPreviousHigh, 0},
        {kState, static_cast<std::uint16_t>(State::Armed)},
    };
    for (const auto& [field, value] : fields) writes.push_back({field, static_cast<std::uint16_t>(value)});
    for (const auto& [field, value] : writes)
        if (const pod::PodOutcome outcome = pod::CmdWriteMemory(session, HEX16, base + field, value); !outcome)
            return {{}, outcome};
    return {};
}

RecorderResult ReadRecorderStatus(pod::PodSession& session, std::uint32_t base, RecorderStatus& status)
{
    auto lock = session.Lock();
    std::vector<std::uint16_t> words;
    const pod::PodOutcome outcome = ReadWords(session, base, kSamplesLow, 2, words);
    std::uint32_t state = 0;
    if (outcome) {
        status.samples = words[0] | (std::uint32_t{words[1]} << 16);
        if (const pod::PodOutcome read = pod::CmdReadMemory(session, HEX16, base + kState, state); !read)
            return {{}, read};
        status.state = static_cast<State>(state & 0xFFFFu);
    }
    return {{}, outcome};
}

RecorderResult DisarmRecorder(pod::PodSession& session, std::uint32_t base)
{
    return {{}, pod::CmdWriteMemory(session, HEX16, base + kState, static_cast<std::uint16_t>(State::Idle))};
}

RecorderResult UploadRecorder(pod::PodSession& session, std::uint32_t base, Capture& capture,
                              const UploadProgress& progress)
{
    auto lock = session.Lock();
    std::vector<std::uint16_t> head;
    if (const pod::PodOutcome outcome = ReadWords(session, base, 0, kHeaderWords, head); !outcome)
        return {{}, outcome};
    if (std::string why = ChecksHeader(base, head); !why.empty()) return Refused(why);
    if (static_cast<State>(head[kState]) != State::Done)
        return Refused("the recorder at " + WordAddressText(base) + " has no finished capture");
    const std::uint32_t sampleWords = head[kSampleWords];
    const std::uint32_t bufferWords = head[kBufferWords];
    const std::uint32_t writeIndex = head[kWriteIndex];
    const std::uint32_t triggerIndex = head[kTriggerIndex];
    const std::uint32_t taken = head[kSamplesLow] | (std::uint32_t{head[kSamplesHigh]} << 16);
    const std::uint32_t count = head[kChannelCount];
    if (sampleWords == 0 || bufferWords == 0 || bufferWords % sampleWords != 0 || bufferWords > head[kCapacityWords] ||
        writeIndex % sampleWords != 0 || writeIndex >= bufferWords || triggerIndex % sampleWords != 0 ||
        triggerIndex >= bufferWords || count == 0 || count > kMaxChannels || taken == 0)
        return Refused("the recorder at " + WordAddressText(base) + " holds an inconsistent capture (write index " +
                       std::to_string(writeIndex) + ", " + std::to_string(taken) + " samples of " +
                       std::to_string(sampleWords) + " words in " + std::to_string(bufferWords) + ")");

    // Two words a read; an odd last word alone.
    std::vector<std::uint16_t> buffer;
    const std::uint32_t start = base + kHeaderWords;
    for (std::uint32_t at = 0; at < bufferWords; at += 2) {
        std::uint32_t value = 0;
        const int view = at + 1 < bufferWords ? HEX32 : HEX16;
        if (const pod::PodOutcome outcome = pod::CmdReadMemory(session, view, start + at, value); !outcome)
            return {{}, outcome};
        buffer.push_back(static_cast<std::uint16_t>(value));
        if (view == HEX32) buffer.push_back(static_cast<std::uint16_t>(value >> 16));
        // Every 64 reads: often enough for a bar, rarely enough to cost nothing.
        if (progress && (buffer.size() % 128 == 0 || buffer.size() == bufferWords) &&
            !progress(static_cast<std::uint32_t>(buffer.size()), bufferWords))
            return Refused("the upload was stopped");
    }

    // The ring starts at the write index once it has gone round.
    const std::uint32_t slots = bufferWords / sampleWords;
    const std::uint32_t first = taken >= slots ? writeIndex / sampleWords : 0;
    const std::uint32_t held = taken >= slots ? slots : taken;
    capture.channels.assign(count, {});
    for (std::uint32_t i = 0; i < held; ++i) {
        std::uint32_t at = ((first + i) % slots) * sampleWords;
        for (std::uint32_t c = 0; c < count; ++c) {
            const bool wide = head[kChannels + 3 * c + 2] == 2;
            std::uint32_t value = buffer[at++];
            if (wide && at < bufferWords) value |= std::uint32_t{buffer[at++]} << 16;
            capture.channels[c].push_back(value);
        }
    }
    capture.triggerSample = (triggerIndex / sampleWords + slots - first) % slots;
    return {};
}

} // namespace monitor
