#include <gtest/gtest.h>

#include <numeric>

#include "tests/sim/SimTestSupport.h"
#include "sim/DemoVariables.h"

using sim::PodError;
using simtest::Bench;
using simtest::Hex;
using simtest::Sum;
using simtest::Words;

namespace {

constexpr int kDsp56F801 = 0;  // P1FLASH 0x0004-0x1FFF, 256-word pages, no P2FLASH
constexpr int kMc56F8367 = 27; // P1FLASH 0x0000-0x1FFFF, 1024-word pages
constexpr int kDflash = 0;
constexpr int kP1flash = 2;

std::vector<std::uint16_t> Ramp(std::size_t n, std::uint16_t first = 0x1000)
{
    std::vector<std::uint16_t> words(n);
    std::iota(words.begin(), words.end(), first);
    return words;
}

std::string Page(int mode, int region, std::uint32_t start, const std::vector<std::uint16_t>& words)
{
    return "25" + Hex(mode, 2) + Hex(region, 2) + Hex(start, 6) +
           Hex(static_cast<std::uint32_t>(words.size()), 4) + Hex(Sum(words), 4) + Words(words);
}

std::string Chunk(int index, const std::vector<std::uint16_t>& words)
{
    return "26" + Hex(index, 2) + Hex(static_cast<std::uint32_t>(words.size()), 4) + Words(words);
}

std::string Commit(int mode, int region, std::uint32_t start, std::uint32_t count,
                   std::uint16_t sum)
{
    return "27" + Hex(mode, 2) + Hex(region, 2) + Hex(start, 6) + Hex(count, 4) + Hex(sum, 4);
}

TEST(SimTargetA, WritesAndVerifiesPagesOfA56800Part)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kDsp56F801, 1));
    EXPECT_FALSE(bench.Ok("240F")); // P2FLASH is absent on this part
    EXPECT_EQ(bench.Pod().LastError(), PodError::kField);
    ASSERT_TRUE(bench.Ok("2402"));

    // The region starts at 0x0004: the first chunk runs to the end of page 0.
    const auto first = Ramp(252);
    EXPECT_TRUE(bench.Ok(Page(1, kP1flash, 0x0004, first)));
    EXPECT_TRUE(bench.Ok(Page(0, kP1flash, 0x0004, first)));
    const auto flash = bench.Pod().FlashOf(kP1flash);
    ASSERT_EQ(flash.size(), 0x1FFCu);
    EXPECT_EQ(flash[0], 0x1000);
    EXPECT_EQ(flash[251], 0x1000 + 251);
    EXPECT_EQ(flash[252], 0xFFFF);

    EXPECT_TRUE(bench.Ok("2801"));
}

TEST(SimTargetA, ProgrammingOnlyClearsBitsAndVerifyCatchesIt)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kDsp56F801, 1));
    ASSERT_TRUE(bench.Ok(Page(1, kDflash, 0x1000, {0x0F0F})));
    // Written again without an erase: the cell keeps the AND of both values.
    EXPECT_FALSE(bench.Ok(Page(2, kDflash, 0x1000, {0xFF00})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kCompare);
    EXPECT_EQ(bench.Pod().FlashOf(kDflash)[0], 0x0F00);
    EXPECT_FALSE(bench.Ok(Page(0, kDflash, 0x1000, {0x0F0F})));
    EXPECT_TRUE(bench.Ok(Page(0, kDflash, 0x1000, {0x0F00})));
    ASSERT_TRUE(bench.Ok("2408"));
    EXPECT_EQ(bench.Pod().FlashOf(kDflash)[0], 0xFFFF);
    EXPECT_FALSE(bench.Ok(Page(3, kDflash, 0x1000, {0})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kField);
}

TEST(SimTargetA, ChunksStayInsideOnePageOfThePresentRegion)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kDsp56F801, 1));
    EXPECT_FALSE(bench.Ok(Page(1, kP1flash, 0x00F0, Ramp(0x20)))); // crosses 0x0100
    EXPECT_EQ(bench.Pod().LastError(), PodError::kRange);
    EXPECT_FALSE(bench.Ok(Page(1, kP1flash, 0x0000, Ramp(4)))); // below the region
    EXPECT_EQ(bench.Pod().LastError(), PodError::kRange);
    EXPECT_FALSE(bench.Ok(Page(1, kDflash, 0x17FF, Ramp(2)))); // past its last word
    EXPECT_FALSE(bench.Ok(Page(1, 3, 0x8000, Ramp(2))));       // P2FLASH absent
    EXPECT_EQ(bench.Pod().LastError(), PodError::kField);
    EXPECT_TRUE(bench.Ok(Page(1, kDflash, 0x17FE, Ramp(2))));
}

TEST(SimTargetA, CountAndWordSumMustMatchTheData)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kDsp56F801, 1));
    const auto words = Ramp(8);
    std::string wrongSum = "25"
                           "01"
                           "00"
                           "001000"
                           "0008" +
                           Hex(Sum(words) + 1, 4) + Words(words);
    EXPECT_FALSE(bench.Ok(wrongSum));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kWordSum);
    std::string wrongCount = "25"
                             "01"
                             "00"
                             "001000"
                             "0009" +
                             Hex(Sum(words), 4) + Words(words);
    EXPECT_FALSE(bench.Ok(wrongCount));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kLength);
    EXPECT_EQ(bench.Pod().FlashOf(kDflash)[0], 0xFFFF);
}

TEST(SimTargetOrder, CommandsBeforeConnectEonceOrLoaderAreRefused)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok("21"));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
    EXPECT_FALSE(bench.Ok("2801"));
    EXPECT_FALSE(bench.Ok("02"));
    ASSERT_TRUE(bench.Ok("2000010000"
                         "64"));
    const auto loader = bench.Loader(kDsp56F801);
    EXPECT_FALSE(
        bench.Ok("23" + Hex(static_cast<std::uint32_t>(loader.size()), 4) + Words(loader)));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
    ASSERT_TRUE(bench.Ok("21"));
    EXPECT_FALSE(bench.Ok("2408"));
    EXPECT_FALSE(bench.Ok(Page(1, kDflash, 0x1000, {1})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
    ASSERT_TRUE(bench.Ok("23" + Hex(static_cast<std::uint32_t>(loader.size()), 4) + Words(loader)));
    EXPECT_TRUE(bench.Ok("2408"));
    // Release ends the session: programming needs a new connect.
    EXPECT_TRUE(bench.Ok("2800"));
    EXPECT_FALSE(bench.Ok(Page(1, kDflash, 0x1000, {1})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
}

TEST(SimTargetOrder, LoaderMustBeThePartsImage)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.Ok("201B04000064"));
    ASSERT_TRUE(bench.Ok("21"));
    auto loader = bench.Loader(kMc56F8367);
    ASSERT_EQ(loader.size(), 591u);
    auto changed = loader;
    changed[100] ^= 1;
    EXPECT_FALSE(bench.Ok("23" + Hex(591, 4) + Words(changed)));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kLoader);
    changed = loader;
    changed.pop_back();
    EXPECT_FALSE(bench.Ok("23" + Hex(590, 4) + Words(changed)));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kLoader);
    // Another part's routine is not this one's.
    const auto other = bench.Loader(25);
    EXPECT_FALSE(bench.Ok("23" + Hex(static_cast<std::uint32_t>(other.size()), 4) + Words(other)));
    EXPECT_TRUE(bench.Ok("23" + Hex(591, 4) + Words(loader)));
}

TEST(SimTargetOrder, ConnectModeSelectsTheSequence)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok("201B01000064")); // ConnectMode 1 is for types 0..6 only
    EXPECT_EQ(bench.Pod().LastError(), PodError::kField);
    EXPECT_FALSE(bench.Ok("201B02000064"));
    EXPECT_FALSE(bench.Ok("201B04020064")); // polarity 0 or 1
    EXPECT_FALSE(bench.Ok("201B04000063")); // reset delay 1, 10, 50, 100 or 500 ms
    EXPECT_FALSE(bench.Ok("201C04000064")); // no type 28
    EXPECT_TRUE(bench.Ok("201B040101F4"));

    // Type 0 over ConnectMode 4 (a target reset) connects but does not take pages.
    ASSERT_TRUE(bench.ConnectAndLoad(kDsp56F801, 4));
    EXPECT_FALSE(bench.Ok(Page(1, kDflash, 0x1000, {1})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
    EXPECT_FALSE(bench.Ok(Chunk(0, {1})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);

    // Type 27 over ConnectMode 4 takes buffered chunks, not pages.
    ASSERT_TRUE(bench.ConnectAndLoad(kMc56F8367, 4));
    EXPECT_FALSE(bench.Ok(Page(1, kP1flash, 0, {1})));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kOrder);
}

TEST(SimTargetB, WorkedExampleOf1500Words)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kMc56F8367, 4));
    ASSERT_TRUE(bench.Ok("2402"));
    const auto data = Ramp(1500, 0);
    auto slice = [&](std::size_t from, std::size_t n) {
        return std::vector<std::uint16_t>(data.begin() + static_cast<long>(from),
                                          data.begin() + static_cast<long>(from + n));
    };
    for (int mode : {2, 0}) {
        for (int b = 0; b < 4; ++b) {
            ASSERT_TRUE(bench.Ok(Chunk(b, slice(256u * b, 256))));
        }
        ASSERT_TRUE(bench.Ok(Commit(mode, kP1flash, 0, 1024, Sum(slice(0, 1024)))));
        ASSERT_TRUE(bench.Ok(Chunk(0, slice(1024, 256))));
        ASSERT_TRUE(bench.Ok(Chunk(1, slice(1280, 220))));
        ASSERT_TRUE(bench.Ok(Commit(mode, kP1flash, 1024, 476, Sum(slice(1024, 476)))));
    }
    const auto flash = bench.Pod().FlashOf(kP1flash);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin()));
    EXPECT_EQ(flash[1500], 0xFFFF);
    // The empty pass after a region that ends on a page boundary is a no-op.
    EXPECT_TRUE(bench.Ok(Commit(1, kP1flash, 0x20000, 0, 0)));
}

TEST(SimTargetB, ChunkNumberingAndCommitChecks)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kMc56F8367, 4));
    const auto block = Ramp(256);
    EXPECT_FALSE(bench.Ok(Chunk(1, block))); // numbering starts at 0
    EXPECT_EQ(bench.Pod().LastError(), PodError::kChunk);
    ASSERT_TRUE(bench.Ok(Chunk(0, block)));
    EXPECT_FALSE(bench.Ok(Chunk(2, block))); // 1 skipped
    EXPECT_EQ(bench.Pod().LastError(), PodError::kChunk);

    ASSERT_TRUE(bench.Ok(Chunk(0, Ramp(100))));
    EXPECT_FALSE(bench.Ok(Chunk(1, block))); // a short block was the last one
    EXPECT_FALSE(bench.Ok(Chunk(0, Ramp(257))));
    EXPECT_FALSE(bench.Ok(Chunk(0, {})));

    ASSERT_TRUE(bench.Ok(Chunk(0, block)));
    EXPECT_FALSE(bench.Ok(Commit(1, kP1flash, 0, 255, Sum(block)))); // count differs
    EXPECT_EQ(bench.Pod().LastError(), PodError::kWordSum);
    // The failed commit dropped the staging, so this commit has nothing behind it.
    EXPECT_FALSE(bench.Ok(Commit(1, kP1flash, 0, 256, Sum(block))));
    ASSERT_TRUE(bench.Ok(Chunk(0, block)));
    EXPECT_FALSE(bench.Ok(Commit(1, kP1flash, 0, 256, static_cast<std::uint16_t>(Sum(block) + 1))));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kWordSum);
    ASSERT_TRUE(bench.Ok(Chunk(0, block)));
    EXPECT_FALSE(bench.Ok(Commit(1, kP1flash, 0x3F0, 256, Sum(block)))); // crosses 0x400
    EXPECT_EQ(bench.Pod().LastError(), PodError::kRange);
    EXPECT_EQ(bench.Pod().FlashOf(kP1flash)[0x3F0], 0xFFFF);
    ASSERT_TRUE(bench.Ok(Chunk(0, block)));
    EXPECT_TRUE(bench.Ok(Commit(1, kP1flash, 0x300, 256, Sum(block))));
    EXPECT_EQ(bench.Pod().FlashOf(kP1flash)[0x300], 0x1000);
}

TEST(SimTargetSecurity, SecuredChipUnlocksByMassErase)
{
    sim::SimOptions options;
    options.secured = true;
    options.mcu = kMc56F8367;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.Ok("201B04000064"));
    std::string reply = bench.Command("21");
    ASSERT_EQ(reply.size(), 8u);
    EXPECT_EQ(reply.substr(0, 5), ":2102");
    const auto loader = bench.Loader(kMc56F8367);
    EXPECT_FALSE(bench.Ok("23" + Hex(591, 4) + Words(loader)));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kSecured);
    ASSERT_TRUE(bench.Ok("22"));
    EXPECT_FALSE(bench.Pod().ChipSecured());
    // EONCE has to come up again after the unlock.
    EXPECT_FALSE(bench.Ok("23" + Hex(591, 4) + Words(loader)));
    EXPECT_EQ(bench.Command("21").substr(0, 5), ":2101");
    EXPECT_TRUE(bench.Ok("23" + Hex(591, 4) + Words(loader)));
}

TEST(SimTargetSecurity, UnlockErasesProgrammedFlash)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.ConnectAndLoad(kMc56F8367, 4));
    ASSERT_TRUE(bench.Ok(Chunk(0, {0x1234})));
    ASSERT_TRUE(bench.Ok(Commit(1, kDflash, 0x4000, 1, 0x1234)));
    ASSERT_EQ(bench.Pod().FlashOf(kDflash)[0], 0x1234);
    ASSERT_TRUE(bench.Ok("21"));
    ASSERT_TRUE(bench.Ok("22"));
    EXPECT_EQ(bench.Pod().FlashOf(kDflash)[0], 0xFFFF);
}

TEST(SimTargetAttach, NoTargetOrAnotherPartFailsTheConnect)
{
    sim::SimOptions none;
    none.noTarget = true;
    Bench empty(none);
    ASSERT_TRUE(empty.OpenCommand());
    EXPECT_FALSE(empty.Ok("201B04000064"));
    EXPECT_EQ(empty.Pod().LastError(), PodError::kNoTarget);
    EXPECT_TRUE(empty.Ok("01")); // the POD itself still answers

    sim::SimOptions fixed;
    fixed.mcu = 25;
    Bench bench(fixed);
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok("201B04000064"));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kTargetId);
    EXPECT_TRUE(bench.Ok("201904000064"));
}

TEST(SimTargetAttach, ResetAndReleaseWithResetRestartTheProgram)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    bench.clock.Advance(5000);
    EXPECT_GT(bench.Pod().ReadRam(sim::demo::kCounter16, bench.clock.NowUs()), 400);
    ASSERT_TRUE(bench.Ok("201B04000064"));
    ASSERT_TRUE(bench.Ok("02"));
    EXPECT_LT(bench.Pod().ReadRam(sim::demo::kCounter16, bench.clock.NowUs()), 20);
    bench.clock.Advance(5000);
    ASSERT_TRUE(bench.Ok("2800")); // no reset: the program runs on
    EXPECT_GT(bench.Pod().ReadRam(sim::demo::kCounter16, bench.clock.NowUs()), 400);
    ASSERT_TRUE(bench.Ok("201B04000064"));
    ASSERT_TRUE(bench.Ok("2801"));
    EXPECT_LT(bench.Pod().ReadRam(sim::demo::kCounter16, bench.clock.NowUs()), 20);
    EXPECT_FALSE(bench.Ok("2801")); // nothing left to release
    EXPECT_FALSE(bench.Ok("2802"));
}

} // namespace
