// The host's side of the target's recorder, through the emulated POD: the header it
// writes, what it refuses, and a capture made by the recorder's own C code read back.
extern "C" {
#include "target/quobin_recorder.h"
extern uint16_t quobinTestRam[4096];
}

#include "monitor/RecorderSymbol.h"
#include "monitor/TargetRecorder.h"

#include "tests/support/EmulatedLink.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

using namespace monitor;
using namespace monitor::recorder;

// The offsets the host uses are the C header's own.
static_assert(sizeof(QuobinRecorderHeader) == 2 * kHeaderWords);
static_assert(offsetof(QuobinRecorderHeader, state) == 2 * kState);
static_assert(offsetof(QuobinRecorderHeader, channel) == 2 * kChannels);
static_assert(offsetof(QuobinRecorderHeader, divider) == 2 * kDivider);
static_assert(offsetof(QuobinRecorderHeader, capacityWords) == 2 * kCapacityWords);
static_assert(offsetof(QuobinRecorderHeader, bufferWords) == 2 * kBufferWords);
static_assert(offsetof(QuobinRecorderHeader, writeIndex) == 2 * kWriteIndex);
static_assert(offsetof(QuobinRecorderHeader, triggerIndex) == 2 * kTriggerIndex);
static_assert(offsetof(QuobinRecorderHeader, previousHigh) == 2 * kPreviousHigh);

constexpr std::uint32_t kBase = 0x2000; // clear of the demo program's own recorder
constexpr std::uint16_t kCapacity = 64;

// A recorder as the firmware defines it, idle, placed at kBase in the emulated RAM.
void PlaceIdleRecorder(support::EmulatedLink& link, std::uint16_t magic = kMagic, std::uint16_t version = kVersion,
                       State state = State::Idle)
{
    for (std::uint32_t i = 0; i < kHeaderWords + kCapacity; ++i) link.sim->Pod().WriteRam(kBase + i, 0, 0);
    link.sim->Pod().WriteRam(kBase + kMagicWord, magic, 0);
    link.sim->Pod().WriteRam(kBase + kVersionWord, version, 0);
    link.sim->Pod().WriteRam(kBase + kState, static_cast<std::uint16_t>(state), 0);
    link.sim->Pod().WriteRam(kBase + kCapacityWords, kCapacity, 0);
}

RecorderSettings TwoChannels()
{
    RecorderSettings settings;
    settings.channels = {{0x0080, 1}, {0x10082, 2}};
    settings.divider = 2;
    settings.triggerChannel = 0;
    settings.level = -5;
    settings.edge = Edge::Falling;
    settings.preTrigger = 2;
    settings.samples = 4;
    return settings;
}

TEST(TargetRecorder, ArmingWritesTheSettingsAndArmsLast)
{
    support::EmulatedLink link;
    ASSERT_TRUE(link.session.ReopenPodSession());
    PlaceIdleRecorder(link);
    ASSERT_TRUE(ArmRecorder(link.session, kBase, TwoChannels()).ok());
    const std::pair<std::uint32_t, std::uint16_t> expected[] = {
        {kState, 1},          {kChannelCount, 2},   {kChannels, 0x0080}, {kChannels + 1, 0},
        {kChannels + 2, 1},   {kChannels + 3, 0x0082}, {kChannels + 4, 1}, {kChannels + 5, 2},
        {kDivider, 2},        {kTriggerChannel, 0}, {kLevelLow, 0xFFFB}, {kLevelHigh, 0xFFFF},
        {kEdge, 1},           {kPreTrigger, 2},     {kSampleWords, 3},   {kBufferWords, 12},
        {kPostTrigger, 2},    {kWriteIndex, 0},     {kCapacityWords, kCapacity}};
    for (const auto& [field, value] : expected)
        EXPECT_EQ(link.sim->Pod().ReadRam(kBase + field, 0), value) << "word " << field;
    // The state is the last word written: the interrupt never sees half a configuration.
    const auto sent = link.Sent();
    ASSERT_FALSE(sent.empty());
    char last[32];
    std::snprintf(last, sizeof last, "5202%06X0001", kBase + kState);
    EXPECT_EQ(sent.back(), last);
}

TEST(TargetRecorder, RefusesWhatItCannotArmWithTheReason)
{
    RecorderSettings tooLong = TwoChannels();
    tooLong.samples = 30;
    RecorderSettings none = TwoChannels();
    none.channels.clear();
    const struct {
        const char* what;
        std::uint16_t magic, version;
        State state;
        RecorderSettings settings;
        std::string refusal;
    } cases[] = {
        {"another object", 0x1234, kVersion, State::Idle, TwoChannels(),
         "no recorder at 0x002000: its first word is 4660, not the recorder's mark 20818"},
        {"another layout", kMagic, 2, State::Idle, TwoChannels(),
         "the recorder at 0x002000 has layout version 2; this Quobin reads version 1"},
        {"a capture running", kMagic, kVersion, State::Triggered, TwoChannels(),
         "the recorder at 0x002000 is capturing; wait for it or stop it first"},
        {"more than it holds", kMagic, kVersion, State::Idle, tooLong,
         "30 samples of 3 words need 90 words; the recorder holds 64"},
        {"no channel", kMagic, kVersion, State::Idle, none, "a capture takes 1 to 8 channels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        support::EmulatedLink link;
        ASSERT_TRUE(link.session.ReopenPodSession());
        PlaceIdleRecorder(link, c.magic, c.version, c.state);
        EXPECT_EQ(ArmRecorder(link.session, kBase, c.settings).refusal, c.refusal);
        EXPECT_EQ(link.sim->Pod().ReadRam(kBase + kState, 0), static_cast<std::uint16_t>(c.state));
    }
}

// The recorder's C code captures on the host; its header and buffer, placed in the
// emulated RAM, come back as the samples it took, oldest first, with 32-bit reads.
TEST(TargetRecorder, UploadRestoresTheCaptureInOrder)
{
    struct {
        QuobinRecorderHeader header;
        std::uint16_t buffer[kCapacity];
    } target{};
    target.header.magic = kMagic;
    target.header.version = kVersion;
    target.header.channelCount = 2;
    target.header.channel[0] = {0x100, 0, 1};
    target.header.channel[1] = {0x110, 0, 2};
    target.header.divider = 1;
    target.header.triggerChannel = 0;
    target.header.levelLow = 40;
    target.header.edge = QUOBIN_RECORDER_RISING;
    target.header.preTrigger = 3;
    target.header.sampleWords = 3;
    target.header.capacityWords = kCapacity;
    target.header.bufferWords = 15; // five samples: the ring wraps while it waits
    target.header.postTrigger = 2;
    target.header.state = QUOBIN_RECORDER_ARMED;
    for (std::uint16_t v = 0; v < 60 && target.header.state != QUOBIN_RECORDER_DONE; ++v) {
        quobinTestRam[0x100] = v;
        quobinTestRam[0x110] = static_cast<std::uint16_t>(1000 + v);
        quobinTestRam[0x111] = 7;
        QuobinRecorder_Sample(&target.header);
    }
    ASSERT_EQ(target.header.state, QUOBIN_RECORDER_DONE);

    support::EmulatedLink link;
    ASSERT_TRUE(link.session.ReopenPodSession());
    const auto* words = reinterpret_cast<const std::uint16_t*>(&target);
    for (std::uint32_t i = 0; i < kHeaderWords + kCapacity; ++i) link.sim->Pod().WriteRam(kBase + i, words[i], 0);
    Capture capture;
    const RecorderResult result = UploadRecorder(link.session, kBase, capture);
    ASSERT_TRUE(result.ok()) << result.refusal;
    EXPECT_EQ(capture.channels[0], (std::vector<std::uint32_t>{37, 38, 39, 40, 41}));
    EXPECT_EQ(capture.channels[1],
              (std::vector<std::uint32_t>{0x7040D, 0x7040E, 0x7040F, 0x70410, 0x70411}));
    EXPECT_EQ(capture.triggerSample, 3u);
    std::size_t wide = 0;
    for (const std::string& frame : link.Sent()) wide += frame.rfind("5103", 0) == 0;
    EXPECT_EQ(wide, 7u); // 15 words: seven 32-bit reads and one 16-bit read

    // A write index that splits a sample is refused, not guessed at.
    link.sim->Pod().WriteRam(kBase + kWriteIndex, 4, 0);
    EXPECT_NE(UploadRecorder(link.session, kBase, capture).refusal.find("inconsistent capture"), std::string::npos);
}

// The recorder is found by its symbol; an ELF that types it must show this layout and
// gives the buffer's length.
TEST(RecorderSymbol, FoundByItsSymbolAndCheckedAgainstTheElf)
{
    const auto program = [](std::uint32_t headerBytes, std::uint32_t bufferWords) {
        elf::DebugInfo info;
        elf::Type u16;
        u16.kind = elf::TypeKind::Base, u16.name = "unsigned short", u16.byteSize = 2;
        elf::Type head;
        head.kind = elf::TypeKind::Struct, head.name = "QuobinRecorderHeader", head.byteSize = headerBytes;
        elf::Type buffer;
        buffer.kind = elf::TypeKind::Array, buffer.count = bufferWords, buffer.target = 0;
        elf::Type whole;
        whole.kind = elf::TypeKind::Struct, whole.byteSize = headerBytes + 2 * bufferWords;
        whole.members = {{"header", 1, 0}, {"buffer", 2, headerBytes}};
        info.types = {u16, head, buffer, whole};
        info.variables = {{"quobinRecorder", 0x600 * 2, 3}};
        return info;
    };
    const struct {
        const char* what;
        const char* symbol;
        std::int32_t mapWords;
        std::optional<elf::DebugInfo> elf;
        std::uint16_t capacity; // 0: refused
        std::string error;
    } cases[] = {
        {"no recorder", "somethingElse", 145, std::nullopt, 0,
         "no recorder in the map: no symbol 'quobinRecorder' (add target/quobin_recorder.c to the firmware and "
         "define one)"},
        {"too small", "quobinRecorder", 45, std::nullopt, 0,
         "'quobinRecorder' is 45 words, too small for a recorder (45 header words and a buffer)"},
        {"the map alone", "quobinRecorder", 145, std::nullopt, 100, ""},
        {"the ELF's buffer", "quobinRecorder", 200, program(90, 100), 100, ""},
        {"another layout", "quobinRecorder", 144, program(88, 100), 0,
         "the ELF's 'quobinRecorder' is not a recorder of layout version 1 (a 90-byte header and a buffer)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SymbolTable table;
        table.Assign({SymbolEntry(c.symbol, 0x600, c.mapWords, HEX16)}, 0);
        TypedSymbols types;
        if (c.elf) types.Merge(table, *c.elf);
        const RecorderLookup found = FindRecorder(table, types);
        EXPECT_EQ(found.error, c.error);
        ASSERT_EQ(found.place.has_value(), c.capacity != 0);
        if (!found.place) continue;
        EXPECT_EQ(found.place->address, 0x600u);
        EXPECT_EQ(found.place->capacityWords, c.capacity);
    }
}

} // namespace
