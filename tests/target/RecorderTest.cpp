// The recorder of the target's control loop, run on the host: what it stores, when its
// trigger fires, and that no configuration makes it write outside its buffer.
extern "C" {
#include "target/quobin_recorder.h"
extern uint16_t quobinTestRam[4096];
}

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint16_t kCapacity = 64;

struct Recorder {
    QuobinRecorderHeader header;
    std::uint16_t buffer[kCapacity + 4]; // the last four words must stay untouched
};

// A recorder of one channel per `words` entry (channel i reads RAM word 0x100 + 0x10 * i),
// armed with the trigger on channel 0.
Recorder Armed(std::vector<std::uint16_t> words, std::uint16_t samples, std::uint16_t pre,
               std::uint16_t trigger, std::int32_t level, std::uint16_t edge, std::uint16_t divider = 1)
{
    Recorder r{};
    r.header.magic = QUOBIN_RECORDER_MAGIC;
    r.header.version = QUOBIN_RECORDER_VERSION;
    r.header.channelCount = static_cast<std::uint16_t>(words.size());
    std::uint16_t sampleWords = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        r.header.channel[i] = {static_cast<std::uint16_t>(0x100 + 0x10 * i), 0, words[i]};
        sampleWords = static_cast<std::uint16_t>(sampleWords + words[i]);
    }
    r.header.divider = divider;
    r.header.triggerChannel = trigger;
    r.header.levelLow = static_cast<std::uint16_t>(level);
    r.header.levelHigh = static_cast<std::uint16_t>(static_cast<std::uint32_t>(level) >> 16);
    r.header.edge = edge;
    r.header.preTrigger = pre;
    r.header.sampleWords = sampleWords;
    r.header.capacityWords = kCapacity;
    r.header.bufferWords = static_cast<std::uint16_t>(samples * sampleWords);
    r.header.postTrigger = static_cast<std::uint16_t>(samples - pre);
    for (std::uint16_t& word : r.buffer) word = 0xEEEE;
    r.header.state = QUOBIN_RECORDER_ARMED;
    return r;
}

// Feeds channel 0 these values, one call each, until the recorder is done.
void Feed(Recorder& r, const std::vector<std::int16_t>& values)
{
    for (std::int16_t value : values) {
        quobinTestRam[0x100] = static_cast<std::uint16_t>(value);
        QuobinRecorder_Sample(&r.header);
    }
}

// The buffer oldest sample first, as the host restores it: the ring starts at the write
// index once it has wrapped.
std::vector<std::int16_t> Captured(const Recorder& r)
{
    const std::uint32_t taken = (std::uint32_t{r.header.samplesHigh} << 16) | r.header.samplesLow;
    const std::uint16_t slots = static_cast<std::uint16_t>(r.header.bufferWords / r.header.sampleWords);
    const std::uint16_t first = taken > slots ? static_cast<std::uint16_t>(r.header.writeIndex / r.header.sampleWords) : 0;
    std::vector<std::int16_t> values;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(taken, slots); ++i)
        values.push_back(static_cast<std::int16_t>(r.buffer[((first + i) % slots) * r.header.sampleWords]));
    return values;
}

TEST(Recorder, TriggersOnItsEdgeWithTheSamplesBeforeIt)
{
    const std::vector<std::int16_t> ramp = {-3, -2, -1, 0, 1, 2, 1, 0, -1, -2, -3, -4};
    const struct {
        const char* what;
        std::uint16_t edge;
        std::int32_t level;
        std::vector<std::int16_t> captured; // two before the trigger, it, and one after
    } cases[] = {
        // A value exactly at the level has crossed it rising.
        {"rising at 0", QUOBIN_RECORDER_RISING, 0, {-2, -1, 0, 1}},
        {"falling below 0", QUOBIN_RECORDER_FALLING, 0, {1, 0, -1, -2}},
        {"either, the first crossing", QUOBIN_RECORDER_EITHER, 0, {-2, -1, 0, 1}},
        {"rising to 2", QUOBIN_RECORDER_RISING, 2, {0, 1, 2, 1}},
        {"never: stays armed", QUOBIN_RECORDER_RISING, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder r = Armed({1}, 4, 2, 0, c.level, c.edge);
        Feed(r, ramp);
        if (c.captured.empty()) {
            EXPECT_EQ(r.header.state, QUOBIN_RECORDER_ARMED);
            continue;
        }
        EXPECT_EQ(r.header.state, QUOBIN_RECORDER_DONE);
        EXPECT_EQ(Captured(r), c.captured);
    }
}

// The ring wraps while it waits: the samples before the trigger are the latest ones, and
// nothing past the buffer is touched.
TEST(Recorder, ThePreTriggerSamplesAreTheLatestAfterTheRingWrapped)
{
    Recorder r = Armed({1}, 4, 2, 0, 50, QUOBIN_RECORDER_RISING);
    std::vector<std::int16_t> values;
    for (std::int16_t v = 0; v < 60; ++v) values.push_back(v);
    Feed(r, values);
    EXPECT_EQ(r.header.state, QUOBIN_RECORDER_DONE);
    EXPECT_EQ(Captured(r), (std::vector<std::int16_t>{48, 49, 50, 51}));
    EXPECT_EQ(r.header.samplesLow, 52u);
    for (std::uint16_t i = 4; i < kCapacity + 4; ++i) EXPECT_EQ(r.buffer[i], 0xEEEE) << i;
}

TEST(Recorder, TheDividerTakesEveryNthCall)
{
    Recorder r = Armed({1}, 4, 0, QUOBIN_RECORDER_NO_TRIGGER, 0, QUOBIN_RECORDER_RISING, 3);
    Feed(r, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(r.header.state, QUOBIN_RECORDER_DONE);
    EXPECT_EQ(Captured(r), (std::vector<std::int16_t>{3, 6, 9, 12}));
}

// A two-word channel is stored low word first and triggers as a signed 32-bit number.
TEST(Recorder, TwoWordChannelsAreStoredLowWordFirst)
{
    Recorder r = Armed({2, 1}, 2, 0, 0, -70000, QUOBIN_RECORDER_FALLING);
    quobinTestRam[0x110] = 0x1234;
    const std::int32_t values[] = {-60000, -80000, -90000};
    for (std::int32_t v : values) {
        quobinTestRam[0x100] = static_cast<std::uint16_t>(v);
        quobinTestRam[0x101] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) >> 16);
        QuobinRecorder_Sample(&r.header);
    }
    EXPECT_EQ(r.header.state, QUOBIN_RECORDER_DONE);
    const std::uint32_t eighty = static_cast<std::uint32_t>(-80000);
    EXPECT_EQ(r.buffer[r.header.triggerIndex], static_cast<std::uint16_t>(eighty));
    EXPECT_EQ(r.buffer[r.header.triggerIndex + 1], static_cast<std::uint16_t>(eighty >> 16));
    EXPECT_EQ(r.buffer[r.header.triggerIndex + 2], 0x1234);
}

// What a host could get wrong never writes past the buffer: the recorder stops instead.
TEST(Recorder, AConfigurationThatWouldOverrunIsNotCarriedOut)
{
    const struct {
        const char* what;
        void (*spoil)(QuobinRecorderHeader&);
    } cases[] = {
        {"buffer longer than its capacity", [](QuobinRecorderHeader& h) { h.bufferWords = kCapacity + 2; }},
        {"no sample words", [](QuobinRecorderHeader& h) { h.sampleWords = 0; }},
        {"write index past the buffer", [](QuobinRecorderHeader& h) { h.writeIndex = h.bufferWords; }},
        {"sample wider than the buffer", [](QuobinRecorderHeader& h) { h.sampleWords = kCapacity + 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder r = Armed({1}, 4, 0, QUOBIN_RECORDER_NO_TRIGGER, 0, QUOBIN_RECORDER_RISING);
        c.spoil(r.header);
        Feed(r, {1});
        EXPECT_EQ(r.header.state, QUOBIN_RECORDER_IDLE);
        for (std::uint16_t word : r.buffer) EXPECT_EQ(word, 0xEEEE);
    }
    // Channels wider than the sample the host declared are cut to it.
    Recorder narrow = Armed({2, 2}, 2, 0, QUOBIN_RECORDER_NO_TRIGGER, 0, QUOBIN_RECORDER_RISING);
    narrow.header.sampleWords = 3;
    narrow.header.bufferWords = 6;
    narrow.header.postTrigger = 2;
    Feed(narrow, {7, 7});
    EXPECT_EQ(narrow.header.state, QUOBIN_RECORDER_DONE);
    for (std::uint16_t i = 6; i < kCapacity + 4; ++i) EXPECT_EQ(narrow.buffer[i], 0xEEEE) << i;
}

TEST(Recorder, AnIdleOrDoneRecorderTakesNothing)
{
    for (std::uint16_t state : {QUOBIN_RECORDER_IDLE, QUOBIN_RECORDER_DONE}) {
        Recorder r = Armed({1}, 4, 0, QUOBIN_RECORDER_NO_TRIGGER, 0, QUOBIN_RECORDER_RISING);
        r.header.state = state;
        Feed(r, {1, 2, 3});
        EXPECT_EQ(r.header.samplesLow, 0u);
        EXPECT_EQ(r.buffer[0], 0xEEEE);
    }
}

} // namespace
