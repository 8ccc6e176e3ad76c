#include <gtest/gtest.h>

#include "tests/sim/SimTestSupport.h"

using sim::PodError;
using simtest::Bench;
using simtest::Hex;
using simtest::Words;

namespace {

std::string Info(int mode, int type, std::uint32_t loaderLength, std::uint32_t d, std::uint32_t b,
                 std::uint32_t p1, std::uint32_t p2, int constant = 4)
{
    return "11" + Hex(mode, 2) + Hex(type, 2) + Hex(constant, 2) +
           "01"
           "00"
           "0064" +
           Hex(loaderLength, 4) + Hex(d, 4) + Hex(b, 4) + Hex(p1, 6) + Hex(p2, 6);
}

std::string Loader(int mode, const std::vector<std::uint16_t>& words)
{
    return "12" + Hex(mode, 2) + Hex(static_cast<std::uint32_t>(words.size()), 4) + Words(words);
}

std::string Block(int mode, std::uint32_t number, const std::vector<std::uint16_t>& words)
{
    return "13" + Hex(mode, 2) + Hex(number, 4) +
           Hex(static_cast<std::uint32_t>(words.size() * 2), 4) + Words(words);
}

std::vector<std::uint16_t> Fill(std::size_t n, std::uint16_t value)
{
    return std::vector<std::uint16_t>(n, value);
}

TEST(SimJobStore, StoresHeaderLoaderAndBlocksAndComparesThem)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    const auto loader = bench.Loader(27);
    // P1FLASH of 1000 words: blocks 1100..1102 of 264 words and 1103 of 208.
    ASSERT_TRUE(bench.Ok(Info(1, 27, 591, 0, 0, 1000, 0)));
    ASSERT_TRUE(bench.Ok(Loader(1, loader)));
    for (std::uint32_t b = 0; b < 3; ++b) {
        ASSERT_TRUE(bench.Ok(Block(2, 1100 + b, Fill(264, static_cast<std::uint16_t>(b)))));
    }
    ASSERT_TRUE(bench.Ok(Block(2, 1103, Fill(208, 7))));
    const sim::PodJobStore job = bench.Pod().Job();
    ASSERT_TRUE(job.HasHeader());
    EXPECT_EQ(job.Header().counts[2], 1000u);
    EXPECT_EQ(job.Loader(), loader);
    const auto words = job.RegionWords(2);
    ASSERT_EQ(words.size(), 1000u);
    EXPECT_EQ(words[264], 1);
    EXPECT_EQ(words[999], 7);

    // Verify (mode 0) of the same job passes; a different word fails.
    EXPECT_TRUE(bench.Ok(Info(0, 27, 591, 0, 0, 1000, 0)));
    EXPECT_TRUE(bench.Ok(Loader(0, loader)));
    EXPECT_TRUE(bench.Ok(Block(0, 1101, Fill(264, 1))));
    EXPECT_FALSE(bench.Ok(Block(0, 1101, Fill(264, 2))));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kCompare);
    EXPECT_FALSE(bench.Ok(Info(0, 27, 591, 0, 0, 999, 0)));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kCompare);
}

TEST(SimJobStore, BlocksMustMatchTheHeadersRegions)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok(Block(1, 1100, Fill(4, 0)))); // no header yet
    EXPECT_EQ(bench.Pod().LastError(), PodError::kJob);
    ASSERT_TRUE(bench.Ok(Info(1, 27, 591, 265, 0, 0, 0)));
    EXPECT_FALSE(bench.Ok(Block(1, 1100, Fill(4, 0))));  // P1FLASH not in this job
    EXPECT_FALSE(bench.Ok(Block(1, 100, Fill(263, 0)))); // first block is full
    EXPECT_TRUE(bench.Ok(Block(1, 100, Fill(264, 0))));
    EXPECT_FALSE(bench.Ok(Block(1, 101, Fill(2, 0)))); // one word remains
    EXPECT_TRUE(bench.Ok(Block(1, 101, Fill(1, 0))));
    EXPECT_FALSE(bench.Ok(Block(1, 102, Fill(1, 0))));
    // Byte count must be even, at most 528, and match the words sent.
    EXPECT_FALSE(bench.Ok("1301"
                          "0065"
                          "0003"
                          "0000"));
    EXPECT_FALSE(bench.Ok("1301"
                          "0064"
                          "0212" +
                          Words(Fill(265, 0))));
    EXPECT_FALSE(bench.Ok("1301"
                          "0065"
                          "0004"
                          "0000"));
    EXPECT_EQ(bench.Pod().LastError(), PodError::kLength);
}

TEST(SimJobStore, EmptySelectedRegionSendsOneEmptyBlock)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    ASSERT_TRUE(bench.Ok(Info(1, 27, 591, 0, 0, 0, 0)));
    EXPECT_TRUE(bench.Ok("1301"
                         "0834"
                         "0000")); // block 2100, 0 bytes
}

TEST(SimJobStore, HeaderFieldsAreChecked)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_FALSE(bench.Ok(Info(1, 27, 591, 0, 0, 10, 0, 3))); // the constant is 4
    EXPECT_FALSE(bench.Ok(Info(1, 27, 590, 0, 0, 10, 0)));    // not the part's routine length
    EXPECT_FALSE(bench.Ok(Info(1, 28, 591, 0, 0, 10, 0)));
    EXPECT_FALSE(bench.Ok(Info(1, 7, 258, 0, 0, 0x1801, 0))); // more than P1FLASH holds
    EXPECT_FALSE(bench.Ok(Info(1, 7, 258, 1, 0, 0, 0)));      // no DFLASH on this part
    EXPECT_FALSE(bench.Ok(Info(3, 27, 591, 0, 0, 10, 0)));
    EXPECT_TRUE(bench.Ok(Info(1, 7, 258, 0, 0, 0x1800, 0)));
    EXPECT_FALSE(bench.Ok(Loader(1, bench.Loader(8 + 1)))); // another part's routine
    EXPECT_TRUE(bench.Ok(Loader(1, bench.Loader(7))));
}

} // namespace
