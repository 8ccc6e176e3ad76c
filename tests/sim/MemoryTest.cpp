#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/sim/SimTestSupport.h"
#include "sim/DemoProgram.h"
#include "sim/DemoVariables.h"

using sim::PodError;
using simtest::Bench;
using simtest::Hex;
namespace demo = sim::demo;

namespace {

// CmdReadMemory: the value's digits from reply offset 3; false on an error reply.
bool ReadMemory(Bench& bench, int width, std::uint32_t address, std::uint32_t& value)
{
    static constexpr std::size_t kLengths[] = {8, 8, 10, 14};
    const std::string reply = bench.Command("51" + Hex(width, 2) + Hex(address, 6));
    if (reply.size() != kLengths[width] || reply[0] != ':') {
        return false;
    }
    value = static_cast<std::uint32_t>(
        std::strtoul(reply.substr(3, kLengths[width] - 6).c_str(), nullptr, 16));
    return true;
}

bool WriteMemory(Bench& bench, int width, std::uint32_t address, std::uint32_t value)
{
    static constexpr int kDigits[] = {2, 2, 4, 8};
    return bench.Ok("52" + Hex(width, 2) + Hex(address, 6) + Hex(value, kDigits[width]));
}

TEST(SimMemory, WidthsReadBytesWordsAndLowWordFirstLongs)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    const std::uint32_t a = 0x0200;
    ASSERT_TRUE(WriteMemory(bench, 2, a, 0x12AB));
    std::uint32_t v = 0;
    ASSERT_TRUE(ReadMemory(bench, 0, a, v));
    EXPECT_EQ(v, 0xABu);
    ASSERT_TRUE(ReadMemory(bench, 1, a, v));
    EXPECT_EQ(v, 0x12u);
    ASSERT_TRUE(ReadMemory(bench, 2, a, v));
    EXPECT_EQ(v, 0x12ABu);
    ASSERT_TRUE(WriteMemory(bench, 0, a, 0x34));
    ASSERT_TRUE(WriteMemory(bench, 1, a, 0x56));
    ASSERT_TRUE(ReadMemory(bench, 2, a, v));
    EXPECT_EQ(v, 0x5634u);

    ASSERT_TRUE(WriteMemory(bench, 3, a, 0x3F800000));
    EXPECT_EQ(bench.Pod().ReadRam(a, bench.clock.NowUs()), 0x0000);
    EXPECT_EQ(bench.Pod().ReadRam(a + 1, bench.clock.NowUs()), 0x3F80);
    ASSERT_TRUE(ReadMemory(bench, 3, a, v));
    EXPECT_EQ(v, 0x3F800000u);
    EXPECT_EQ(bench.Command("5103000200"), ":51"
                                           "3F800000"
                                           "07\r");
}

TEST(SimMemory, AccessOutsideTheRamWindowsIsRefused)
{
    Bench bench; // MC56F8367: data RAM 0x0000-0x3FFF, program RAM 0x4F800-0x4FFFF
    ASSERT_TRUE(bench.OpenCommand());
    std::uint32_t v = 0;
    EXPECT_TRUE(ReadMemory(bench, 2, 0x3FFF, v));
    EXPECT_FALSE(ReadMemory(bench, 2, 0x4000, v));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kAddress);
    EXPECT_FALSE(ReadMemory(bench, 3, 0x3FFF, v)); // second word outside
    EXPECT_TRUE(ReadMemory(bench, 2, 0x4F800, v));
    EXPECT_FALSE(WriteMemory(bench, 2, 0x4000, 1));
    const std::string reply = bench.Command("5104000200");
    EXPECT_EQ(reply[0], '?');
    EXPECT_EQ(bench.Pod().LastError(), PodError::kField);
    EXPECT_FALSE(bench.Ok("5202000200"
                          "12")); // word value needs 4 digits
    EXPECT_EQ(bench.Pod().LastError(), PodError::kLength);
}

TEST(SimMemory, ProgramVariablesMoveWithTheClock)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    std::uint32_t c16a = 0;
    std::uint32_t c32a = 0;
    ASSERT_TRUE(ReadMemory(bench, 2, demo::kCounter16, c16a));
    ASSERT_TRUE(ReadMemory(bench, 3, demo::kCounter32, c32a));
    bench.clock.Advance(1000);
    std::uint32_t c16b = 0;
    std::uint32_t c32b = 0;
    ASSERT_TRUE(ReadMemory(bench, 2, demo::kCounter16, c16b));
    ASSERT_TRUE(ReadMemory(bench, 3, demo::kCounter32, c32b));
    // The reads themselves take virtual milliseconds; the counters are +1/10 ms and +1/ms.
    EXPECT_GE(c16b - c16a, 100u);
    EXPECT_LE(c16b - c16a, 110u);
    EXPECT_GE(c32b - c32a, 1000u);
    EXPECT_LE(c32b - c32a, 1110u);

    // Triangle stays within +-1000 and changes by the step per 10 ms.
    std::int16_t low = 0;
    std::int16_t high = 0;
    for (int i = 0; i < 500; ++i) {
        bench.clock.Advance(10);
        const auto t =
            static_cast<std::int16_t>(bench.Pod().ReadRam(demo::kTriangle, bench.clock.NowUs()));
        low = std::min(low, t);
        high = std::max(high, t);
    }
    EXPECT_EQ(low, -1000);
    EXPECT_EQ(high, 1000);

    std::string text;
    for (std::uint32_t i = 0; i < demo::kMessageWords; ++i) {
        const std::uint16_t w = bench.Pod().ReadRam(demo::kMessage + i, bench.clock.NowUs());
        text.push_back(static_cast<char>(w & 0xFF));
        text.push_back(static_cast<char>(w >> 8));
    }
    EXPECT_EQ(std::string(text.c_str()), sim::DemoProgram::kRunningText);
}

TEST(SimMemory, WritesChangeWhatTheProgramDoes)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    auto sine = [&] {
        std::uint32_t bits = 0;
        EXPECT_TRUE(ReadMemory(bench, 3, demo::kSineWave, bits));
        return std::bit_cast<float>(bits);
    };
    float peak = 0;
    for (int i = 0; i < 40; ++i) {
        bench.clock.Advance(53);
        peak = std::max(peak, std::fabs(sine()));
    }
    EXPECT_GT(peak, 95.0f);
    EXPECT_LE(peak, 100.0f);

    ASSERT_TRUE(WriteMemory(bench, 3, demo::kSineAmplitude, std::bit_cast<std::uint32_t>(5.0f)));
    peak = 0;
    for (int i = 0; i < 40; ++i) {
        bench.clock.Advance(53);
        peak = std::max(peak, std::fabs(sine()));
    }
    EXPECT_GT(peak, 4.5f);
    EXPECT_LE(peak, 5.0f);

    // Clearing the run flag's low byte pauses the counters and changes the text.
    ASSERT_TRUE(WriteMemory(bench, 0, demo::kRunFlag, 0));
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    ASSERT_TRUE(ReadMemory(bench, 3, demo::kCounter32, before));
    bench.clock.Advance(500);
    ASSERT_TRUE(ReadMemory(bench, 3, demo::kCounter32, after));
    EXPECT_EQ(before, after);
    std::uint32_t first = 0;
    ASSERT_TRUE(ReadMemory(bench, 2, demo::kMessage, first));
    EXPECT_EQ(first, static_cast<std::uint32_t>('d' | ('e' << 8)));
    EXPECT_EQ(bench.Pod().ReadRam(demo::kMessage + 3, bench.clock.NowUs()), 'a' | ('u' << 8));

    ASSERT_TRUE(WriteMemory(bench, 2, demo::kTriangleStep, 0));
    ASSERT_TRUE(WriteMemory(bench, 0, demo::kRunFlag, 1));
    std::uint32_t t1 = 0;
    std::uint32_t t2 = 0;
    ASSERT_TRUE(ReadMemory(bench, 2, demo::kTriangle, t1));
    bench.clock.Advance(300);
    ASSERT_TRUE(ReadMemory(bench, 2, demo::kTriangle, t2));
    EXPECT_EQ(t1, t2);
}

TEST(SimMemory, NoTargetNoMemory)
{
    sim::SimOptions options;
    options.noTarget = true;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand());
    std::uint32_t v = 0;
    EXPECT_FALSE(ReadMemory(bench, 2, demo::kCounter16, v));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kNoTarget);
    EXPECT_TRUE(bench.Ok("5000"));
}

} // namespace

namespace {

TEST(SimDemoProgram, AnEarlierTimeDoesNotRunItBackwards)
{
    sim::SimPart part;
    part.ramWindow2Last = 0x3FF;
    sim::TargetRam ram(part);
    sim::DemoProgram program;
    program.Start(ram, 5'000'000);
    program.Advance(ram, 6'000'000);
    EXPECT_EQ(ram.ReadLong(demo::kCounter32), 1000u);
    program.Advance(ram, 5'990'000);
    EXPECT_EQ(ram.ReadLong(demo::kCounter32), 1000u);
    program.Advance(ram, 6'010'000);
    EXPECT_EQ(ram.ReadLong(demo::kCounter32), 1010u);
}

// The control interrupt runs once per 100 us, whatever steps the clock takes: a part of a
// period waits for the next call, and a long gap (a demo left alone for an hour) is
// counted whole while only its last periods are run one by one.
TEST(SimDemoProgram, TheControlLoopCountsEveryPeriod)
{
    sim::SimPart part;
    part.ramWindow2Last = 0x3FF;
    const struct {
        std::vector<std::uint64_t> steps; // us after the start, one Advance each
        std::uint32_t loops;
        std::uint32_t ms;
        std::uint16_t tens;
    } cases[] = {
        {{99}, 0, 0, 0},
        {{50, 100, 150, 199}, 1, 0, 0},
        {{1'050}, 10, 1, 0},
        {{10'000}, 100, 10, 1},
        {{3'600'000'000}, 36'000'000, 3'600'000, static_cast<std::uint16_t>(360'000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps.back());
        sim::TargetRam ram(part);
        sim::DemoProgram program;
        program.Start(ram, 0);
        for (const std::uint64_t at : c.steps) program.Advance(ram, at);
        EXPECT_EQ(ram.ReadLong(demo::kLoopCount), c.loops);
        EXPECT_EQ(ram.ReadLong(demo::kCounter32), c.ms);
        EXPECT_EQ(ram.Read(demo::kCounter16), c.tens);
        const auto triangle = static_cast<std::int16_t>(ram.Read(demo::kTriangle));
        EXPECT_EQ(static_cast<std::int16_t>(ram.Read(demo::kCurrent)),
                  c.loops == 0 ? 0 : sim::DemoProgram::CurrentOf(triangle, c.loops));
    }
}

} // namespace
