// A capture by the emulated target's own recorder, as a user asks for it by names: armed
// through the POD, waited for on the virtual clock, uploaded and turned into values.
#include "monitor/RecordCapture.h"
#include "monitor/RecorderSymbol.h"
#include "monitor/WatchTarget.h"
#include "sim/DemoProgram.h"

#include "tests/support/EmulatedLink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace monitor {
namespace {

// The demo program's target, its recorder and the named items.
struct DemoCapture {
    support::EmulatedLink link;
    WatchTarget target;
    SymbolTable table;
    std::uint32_t base = 0;

    DemoCapture()
    {
        target.map = QUOBIN_EXAMPLES_DIR "/demo.elf.xMAP";
        EXPECT_TRUE(LoadWatchTarget(target, table).ok);
        const RecorderLookup found = FindRecorder(table, target.types);
        EXPECT_TRUE(found.place) << found.error;
        if (found.place) base = found.place->address;
        EXPECT_TRUE(link.session.ReopenPodSession());
    }

    std::vector<WatchItem> Items(const std::vector<std::string>& names)
    {
        std::vector<WatchItem> items;
        for (const std::string& name : names) {
            const ItemResolution resolved = ResolveWatchItem(target, table, name);
            EXPECT_TRUE(resolved.item) << resolved.error;
            if (resolved.item) items.push_back(*resolved.item);
        }
        return items;
    }

    RecordResult Record(const RecordRequest& request, Recording& recording, const RecordProgressSink& progress = {})
    {
        return RecordCapture(link.session, link.clock, target.types, base, request, progress, recording);
    }
};

// Every sample is the loop's own, period after period: the loop counter steps by the
// divider with none missed, and `current` is the emulator's triangle-plus-ripple of that
// very period, so samples of different channels come from the same interrupt. The
// trigger's sample is the first at or above the level, with the pre-trigger samples before.
TEST(RecordCapture, EverySampleIsTheLoopsOwnPeriod)
{
    for (const std::uint16_t divider : {1, 3}) {
        SCOPED_TRACE(divider);
        DemoCapture demo;
        RecordRequest request;
        request.items = demo.Items({"loopCount", "triangle", "current"});
        request.divider = divider;
        request.samples = 400;
        request.preTrigger = 100;
        request.triggerItem = 1;
        request.level = 500;
        Recording recording;
        const RecordResult result = demo.Record(request, recording);
        ASSERT_TRUE(result.ok()) << result.result.refusal;
        ASSERT_EQ(recording.size(), 400u);
        EXPECT_EQ(recording.triggerSample, 100u);
        EXPECT_EQ(recording.periodNs, 100'000u * divider);
        EXPECT_EQ(recording.TimeNs(0), -100 * static_cast<std::int64_t>(recording.periodNs));
        const auto& loops = recording.channels[0].values;
        const auto& triangle = recording.channels[1].values;
        const auto& current = recording.channels[2].values;
        for (std::size_t i = 0; i < recording.size(); ++i) {
            if (i > 0) {
                ASSERT_EQ(*loops[i] - *loops[i - 1], divider) << "sample " << i;
            }
            const auto loop = static_cast<std::uint32_t>(*loops[i]);
            ASSERT_EQ(*current[i], sim::DemoProgram::CurrentOf(static_cast<std::int16_t>(*triangle[i]), loop))
                << "sample " << i;
        }
        EXPECT_LT(*triangle[99], 500);
        EXPECT_GE(*triangle[100], 500);
        EXPECT_EQ(recording.channels[2].texts[100], std::to_string(static_cast<int>(*current[100])));
    }
}

// A capture that never triggers ends when the user stops it, and the recorder is left
// idle for the next one; a stop during the upload leaves the finished capture.
TEST(RecordCapture, AStopDisarmsTheRecorder)
{
    DemoCapture demo;
    RecordRequest request;
    request.items = demo.Items({"triangle"});
    request.triggerItem = 0;
    request.level = 5000; // the triangle stays within -1000..1000
    int calls = 0;
    Recording recording;
    const RecordResult result = demo.Record(request, recording, [&](const RecordProgress& progress) {
        EXPECT_EQ(progress.phase, RecordProgress::Phase::Waiting);
        return ++calls < 50;
    });
    EXPECT_TRUE(result.interrupted);
    EXPECT_EQ(demo.link.sim->Pod().ReadRam(demo.base + recorder::kState, demo.link.clock.NowUs()), 0);
    EXPECT_GT(calls, 40);
}

TEST(RecordCapture, RefusesWhatTheRecorderCannotDoWithTheReason)
{
    const struct {
        const char* what;
        std::vector<std::string> items;
        std::size_t trigger;
        double level;
        std::string refusal;
    } cases[] = {
        {"a text", {"message"}, 0, 0, "message is a text; a recorder channel is one or two words"},
        {"a negative float level", {"sineWave"}, 0, -1, "a FLOAT trigger level must be 0 or above"},
        {"a byte", {"heartbeat"}, 0, 1, "the trigger cannot be heartbeat: the recorder compares whole words"},
        {"a bit field", {"motor.MODE"}, 0, 1, "the trigger cannot be motor.MODE: the recorder compares whole words"},
        {"beyond 16 bits", {"triangle"}, 0, 40000,
         "the trigger level 40000 is outside what the recorder compares for triangle (signed 16-bit numbers)"},
        {"too many items", std::vector<std::string>(9, "counter16"), 0, 0, "a capture takes 1 to 8 items"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DemoCapture demo;
        RecordRequest request;
        request.items = demo.Items(c.items);
        request.triggerItem = c.trigger;
        request.level = c.level;
        Recording recording;
        const RecordResult result = demo.Record(request, recording);
        EXPECT_EQ(result.result.refusal.substr(0, c.refusal.size()), c.refusal);
        EXPECT_TRUE(demo.link.Sent().empty() || c.refusal.empty());
    }
}

// The values of typed channels are shown as the watch list shows them: a FLOAT's digits,
// a fraction, a bit field's own bits.
TEST(RecordCapture, TypedChannelsReadAsTheWatchListShowsThem)
{
    DemoCapture demo;
    RecordRequest request;
    request.items = demo.Items({"motor.speed", "motor.gain", "motor.MODE", "mode"});
    request.samples = 4;
    Recording recording;
    ASSERT_TRUE(demo.Record(request, recording).ok());
    ASSERT_EQ(recording.size(), 4u);
    EXPECT_NEAR(*recording.channels[0].values[0], 1500.0, 10.0);
    EXPECT_EQ(recording.channels[1].texts[0], "0.500000");
    EXPECT_EQ(*recording.channels[2].values[0], 1.0);
    EXPECT_EQ(recording.channels[3].texts[0], "1 (MODE_RUN)");
}

} // namespace
} // namespace monitor
