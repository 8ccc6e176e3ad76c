#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pod/PodOutcome.h"

namespace pod {
class PodSession;
}

namespace monitor {

// The recorder a firmware carries (target/quobin_recorder.h), as the host reaches it
// through the POD: its header's word offsets, configuring and arming it, and reading out
// a capture. Every field is a 16-bit word; the tests hold these offsets against the C
// header's own layout.
namespace recorder {
inline constexpr std::uint16_t kMagic = 0x5152;
inline constexpr std::uint16_t kVersion = 1;
inline constexpr std::uint32_t kMaxChannels = 8;
inline constexpr std::uint32_t kHeaderWords = 45;
enum Field : std::uint32_t {
    kMagicWord = 0,
    kVersionWord = 1,
    kState = 2,
    kChannelCount = 3,
    kChannels = 4, // 3 words each: address low, address high, words
    kDivider = 28,
    kTriggerChannel = 29,
    kLevelLow = 30,
    kLevelHigh = 31,
    kEdge = 32,
    kPreTrigger = 33,
    kSampleWords = 34,
    kCapacityWords = 35,
    kBufferWords = 36,
    kPostTrigger = 37,
    kWriteIndex = 38,
    kSamplesLow = 39,
    kSamplesHigh = 40,
    kTriggerIndex = 41,
    kDividerCount = 42,
    kPreviousLow = 43,
    kPreviousHigh = 44,
};
enum class State : std::uint16_t { Idle = 0, Armed = 1, Triggered = 2, Done = 3 };
enum class Edge : std::uint16_t { Rising = 0, Falling = 1, Either = 2 };
inline constexpr std::uint16_t kNoTrigger = 0xFFFF;
} // namespace recorder

struct RecorderChannel {
    std::uint32_t address = 0; // word address
    std::uint16_t words = 1;   // 1 or 2
};

struct RecorderSettings {
    std::vector<RecorderChannel> channels;
    std::uint16_t divider = 1;                   // a sample every `divider` periods
    std::optional<std::uint16_t> triggerChannel; // none: the capture starts at once
    std::int32_t level = 0;
    recorder::Edge edge = recorder::Edge::Rising;
    std::uint16_t preTrigger = 0; // samples kept from before the trigger
    std::uint16_t samples = 0;    // samples in all
};

// What a step came to: the POD's outcome, or a refusal that sent nothing.
struct RecorderResult {
    std::string refusal; // empty unless refused
    pod::PodOutcome outcome;
    bool ok() const { return refusal.empty() && outcome.ok(); }
};

// Checks the recorder at `base` (its magic, layout version and state), writes the
// settings while it is idle, resets its counters and arms it, in that order, so that the
// interrupt never sees half a configuration armed.
RecorderResult ArmRecorder(pod::PodSession& session, std::uint32_t base, const RecorderSettings& settings);

// The recorder's state and the samples it took since armed, read once.
struct RecorderStatus {
    recorder::State state = recorder::State::Idle;
    std::uint32_t samples = 0;
};
RecorderResult ReadRecorderStatus(pod::PodSession& session, std::uint32_t base, RecorderStatus& status);

// Sets an armed or triggered recorder back to idle: its capture is dropped.
RecorderResult DisarmRecorder(pod::PodSession& session, std::uint32_t base);

// A finished capture: every channel's values (a two-word value low word first), oldest
// sample first, and which sample fired the trigger.
struct Capture {
    std::vector<std::vector<std::uint32_t>> channels;
    std::size_t triggerSample = 0;
};

// Reads a done recorder's capture with 32-bit reads (two words each) and checks it: a
// write index and a sample count that do not fit the buffer are refused, not guessed at.
// `progress` hears the words read so far and the buffer's; false from it stops the upload
// (the result is then refused with "the upload was stopped").
using UploadProgress = std::function<bool(std::uint32_t wordsRead, std::uint32_t bufferWords)>;
RecorderResult UploadRecorder(pod::PodSession& session, std::uint32_t base, Capture& capture,
                              const UploadProgress& progress = {});

} // namespace monitor
