#include "graph/GraphChannels.h"
#include "graph/SampleBuffer.h"
#include "graph/SampleQueries.h"
#include "graph/SamplesCsv.h"

#include "monitor/WatchList.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace graph;

TEST(GraphChannels, TakesTheFirstFourThatAreNotTextsInListOrder)
{
    GraphChannels channels;
    const monitor::ViewType types[] = {monitor::HEX16, monitor::ASCII,     monitor::FLOAT,
                                       monitor::INT16, monitor::BYTE_HIGH, monitor::UINT32};
    std::vector<bool> taken;
    for (int i = 0; i < 6; ++i)
        taken.push_back(channels.Add({"v" + std::to_string(i), 0x20u + i, 1, types[i]}));
    EXPECT_EQ(taken, (std::vector<bool>{true, false, true, true, true, false}));
    ASSERT_EQ(channels.count(), 4);
    EXPECT_EQ(channels[0].name, "v0");
    EXPECT_EQ(channels[1].name, "v2");
    EXPECT_EQ(channels[3].name, "v4");
    EXPECT_EQ(channels[3].viewType, monitor::BYTE_HIGH);
}

TEST(GraphChannels, ARowGivesItsShownViewTypeNotTheSymbolsStoredOne)
{
    monitor::SymbolTable table;
    table.Assign({{"sineWave", 0x84, 2, monitor::HEX32}}, 0);
    monitor::WatchList list;
    ASSERT_TRUE(list.AddSymbolWatch(table, 0));
    // A .Mon restore sets the row's type; the symbol keeps the type the map gave it.
    list.SetViewType(monitor::WatchListId::Symbols, 0, monitor::FLOAT);
    ASSERT_EQ(table.at(0).viewType, monitor::HEX32);
    const GraphChannel channel =
        ChannelFromMonitorItem(*list.Row(monitor::WatchListId::Symbols, 0));
    EXPECT_EQ(channel.viewType, monitor::FLOAT);
    EXPECT_EQ(channel.name, "sineWave");
    EXPECT_EQ(channel.address, 0x84u);
    EXPECT_EQ(channel.size, 2u);
}

// Points at 0, 1, 2 ... ms with Y = i % 7; the snapshot keeps them after the buffer goes.
SampleBuffer::Snapshot Ramp(std::size_t count)
{
    SampleBuffer buffer;
    for (std::size_t i = 0; i < count; ++i)
        buffer.Append({static_cast<std::int64_t>(i), static_cast<double>(i % 7)});
    return buffer.Snap();
}

TEST(SampleBuffer, GrowsByChunksAndASnapshotOutlivesClear)
{
    SampleBuffer buffer;
    EXPECT_EQ(buffer.MemoryBytes(), 0u);
    const std::size_t n = 2 * SampleBuffer::kChunkSamples + 5;
    for (std::size_t i = 0; i < n; ++i)
        buffer.Append({static_cast<std::int64_t>(i), -static_cast<double>(i)});
    EXPECT_EQ(buffer.MemoryBytes(), 3 * sizeof(SampleBuffer::Chunk));
    EXPECT_EQ(sizeof(Sample), 16u);

    const auto snapshot = buffer.Snap();
    buffer.Append({1'000'000'000, 0.0}); // after the snapshot: not in it
    buffer.Clear();
    EXPECT_EQ(buffer.size(), 0u);
    ASSERT_EQ(snapshot.size(), n);
    EXPECT_EQ(snapshot[SampleBuffer::kChunkSamples].y, -static_cast<double>(4096));
    EXPECT_EQ(snapshot.back().timeUs, static_cast<std::int64_t>(n - 1));
    EXPECT_EQ(snapshot.LowerBound(4096), 4096u);
    EXPECT_EQ(snapshot.LowerBound(-1), 0u);
    EXPECT_EQ(snapshot.LowerBound(1'000'000), n);
}

TEST(SampleQueries, StatsAndValueAtACursorOverTheVisibleSpan)
{
    const auto snapshot = Ramp(100);                   // y = i % 7
    const SpanStats stats = StatsOf(snapshot, 10, 16); // y 3 4 5 6 0 1 2
    EXPECT_EQ(stats.count, 7u);
    EXPECT_EQ(stats.min, 0.0);
    EXPECT_EQ(stats.max, 6.0);
    EXPECT_DOUBLE_EQ(stats.mean, 3.0);
    EXPECT_EQ(stats.rate.intervals, 6u); // between the visible points only
    EXPECT_DOUBLE_EQ(stats.rate.meanMs, 0.001); // a microsecond apart
    EXPECT_EQ(StatsOf(snapshot, 200, 300).count, 0u);

    EXPECT_FALSE(SampleAt(snapshot, -1).has_value());
    EXPECT_EQ(SampleAt(snapshot, 12)->y, 5.0);
    EXPECT_EQ(SampleAt(snapshot, 500)->timeUs, 99); // held until the next reading
}

TEST(SampleQueries, PointsToDrawKeepAShortSpanWholeAndBoundALongOne)
{
    std::vector<Sample> out;
    const auto shortRun = Ramp(100);
    PointsToDraw(shortRun, 11, 20, 100, out);
    ASSERT_EQ(out.size(), 11u); // 11..20 and the neighbour before (20 is at the edge)
    EXPECT_EQ(out.front().timeUs, 10);
    EXPECT_EQ(out.back().timeUs, 20);

    // An hour at 90 per second on a 600-pixel plot.
    SampleBuffer buffer;
    for (std::size_t i = 0; i < 330'000; ++i)
        buffer.Append(
            {static_cast<std::int64_t>(i), (i == 123'456) ? 1000.0 : (i == 7 ? -5.0 : 1.0)});
    const auto longRun = buffer.Snap();
    PointsToDraw(longRun, 0, 329'999, 600, out);
    EXPECT_LE(out.size(), 2u * 600 + 2);
    EXPECT_EQ(out.front().timeUs, 0);
    EXPECT_EQ(out.back().timeUs, 329'999);
    bool peak = false;
    bool dip = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        peak = peak || out[i].y == 1000.0;
        dip = dip || out[i].y == -5.0;
        if (i > 0) {
            EXPECT_LT(out[i - 1].timeUs, out[i].timeUs);
        }
    }
    EXPECT_TRUE(peak);
    EXPECT_TRUE(dip);
}

TEST(SamplesCsv, OneLinePerTickWithEmptyFieldsWhereATickLostAChannel)
{
    SampleBuffer a;
    SampleBuffer b;
    a.Append({-100, 7.0}); // a recorder's sample before its trigger
    a.Append({11'000, 1.5});
    b.Append({11'000, -1.0});
    a.Append({22'000, 2.0});                   // b's read failed at this tick
    a.Append({172'800'033'000, 4294967295.0}); // two days on: no wrap
    b.Append({172'800'033'000, 0.1f});
    std::ostringstream out;
    WriteSamplesCsv(out, {"sineWave", "a,\"b\""}, {a.Snap(), b.Snap()});
    EXPECT_EQ(out.str(), "time_ms,sineWave,\"a,\"\"b\"\"\"\n"
                         "-0.1,7,\n"
                         "11,1.5,-1\n"
                         "22,2,\n"
                         "172800033,4294967295,0.10000000149011612\n");

    std::ostringstream empty;
    WriteSamplesCsv(empty, {}, {});
    EXPECT_EQ(empty.str(), "time_ms\n");
}

} // namespace
