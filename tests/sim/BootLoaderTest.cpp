#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/sim/SimTestSupport.h"
#include "sim/BootLoader.h"
#include "sim/SimCatalog.h"

using simtest::Bench;

namespace {

const std::string kAck(1, '\x79');
const std::string kNack(1, '\x1F');

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

// The host's BootWriteBlock: command, address with XOR, N-1 + data + XOR.
bool WriteBlock(Bench& bench, std::uint32_t offset, const std::uint8_t* data, std::size_t n)
{
    if (bench.Raw(Bytes({0x31, 0xCE})) != kAck) {
        return false;
    }
    const std::uint32_t address = 0x08000000 + offset;
    std::string a =
        Bytes({static_cast<int>(address >> 24), static_cast<int>((address >> 16) & 0xFF),
               static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF)});
    a.push_back(static_cast<char>(a[0] ^ a[1] ^ a[2] ^ a[3]));
    if (bench.Raw(a) != kAck) {
        return false;
    }
    std::string block(1, static_cast<char>(n - 1));
    std::uint8_t x = static_cast<std::uint8_t>(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        block.push_back(static_cast<char>(data[i]));
        x ^= data[i];
    }
    block.push_back(static_cast<char>(x));
    return bench.Raw(block) == kAck;
}

bool Update(Bench& bench, const std::vector<std::uint8_t>& image)
{
    if (bench.Raw(Bytes({0x7F})) != kAck || bench.Raw(Bytes({0x43, 0xBC})) != kAck ||
        bench.Raw(Bytes({0xFF, 0x00})) != kAck) {
        return false;
    }
    for (std::size_t offset = 0; offset < image.size(); offset += 256) {
        if (!WriteBlock(bench, static_cast<std::uint32_t>(offset), image.data() + offset,
                        std::min<std::size_t>(256, image.size() - offset))) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> Carried()
{
    const auto image = sim::CarriedFirmware();
    return std::vector<std::uint8_t>(image.begin(), image.end());
}

sim::SimOptions BootOptions()
{
    sim::SimOptions options;
    options.boot = true;
    return options;
}

TEST(SimBootLoader, AnswersOnlyAt115200EvenParity)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Raw(Bytes({0x7F})), "");
    EXPECT_EQ(bench.Command("01"), "");
    bench.Close();
    ASSERT_TRUE(bench.OpenBoot());
    EXPECT_EQ(bench.Raw(Bytes({0x7F})), kAck);

    Bench commandPod; // not in its boot loader: the sync byte is noise to it
    ASSERT_TRUE(commandPod.OpenBoot());
    EXPECT_EQ(commandPod.Raw(Bytes({0x7F})), "");
}

TEST(SimBootLoader, ChecksComplementsAddressesAndXors)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenBoot());
    EXPECT_EQ(bench.Raw(Bytes({0x43, 0xBD})), kNack);
    EXPECT_EQ(bench.Raw(Bytes({0x43, 0xBC})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x00, 0x01})), kNack); // page erase is not offered
    EXPECT_EQ(bench.Raw(Bytes({0x43, 0xBC})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0xFF, 0x00})), kAck);

    EXPECT_EQ(bench.Raw(Bytes({0x31, 0xCE})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x08, 0x00, 0x00, 0x00, 0x09})), kNack); // XOR is 0x08
    EXPECT_EQ(bench.Raw(Bytes({0x31, 0xCE})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x08, 0x01, 0x00, 0x00, 0x09})), kNack); // past 64 KiB
    EXPECT_EQ(bench.Raw(Bytes({0x31, 0xCE})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x07, 0xFF, 0xFF, 0xFF, 0x07})), kNack); // below the flash
    EXPECT_EQ(bench.Raw(Bytes({0x31, 0xCE})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x08, 0x00, 0xFF, 0x00, 0xF7})), kAck);
    EXPECT_EQ(bench.Raw(Bytes({0x01, 0xAA, 0xBB, 0x01 ^ 0xAA ^ 0xBB ^ 1})), kNack);
    const auto flash = bench.Pod().Firmware();
    EXPECT_TRUE(flash.empty());
}

TEST(SimBootLoader, LastBlockOf37BytesAndNoOverwriteWithoutErase)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenBoot());
    const auto image = Carried();
    ASSERT_EQ(image.size(), 24101u);
    ASSERT_EQ(bench.Raw(Bytes({0x43, 0xBC})), kAck);
    ASSERT_EQ(bench.Raw(Bytes({0xFF, 0x00})), kAck);
    EXPECT_TRUE(WriteBlock(bench, 24064, image.data() + 24064, 37));
    std::vector<std::uint8_t> other(image.begin() + 24064, image.end());
    const auto written =
        std::find_if(other.begin(), other.end(), [](std::uint8_t b) { return b != 0xFF; });
    ASSERT_NE(written, other.end());
    *written ^= 0x01;
    EXPECT_FALSE(WriteBlock(bench, 24064, other.data(), 37));
}

TEST(SimBootLoader, CompleteImageBecomesTheFirmwareAtTheNextCommandOpen)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenBoot());
    ASSERT_TRUE(Update(bench, Carried()));
    bench.Close();
    EXPECT_EQ(bench.Pod().CurrentMode(), sim::EmulatedPod::Mode::kBoot);
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Pod().CurrentMode(), sim::EmulatedPod::Mode::kCommand);
    const std::string reply = bench.Command("01");
    ASSERT_EQ(reply.size(), 8u);
    EXPECT_EQ(reply.substr(0, 5), ":0112");
    EXPECT_EQ(bench.Pod().Firmware(), Carried());
}

TEST(SimBootLoader, VersionComesFromTheTagOrIs12WithoutOne)
{
    auto image = Carried();
    const std::string tag = "QUOBIN POD FIRMWARE V1.2";
    ASSERT_EQ(
        std::string(image.begin() + 0x200, image.begin() + 0x200 + static_cast<long>(tag.size())),
        tag);
    image[0x200 + 21] = '3';
    image[0x200 + 23] = '4';
    {
        Bench bench(BootOptions());
        ASSERT_TRUE(bench.OpenBoot());
        ASSERT_TRUE(Update(bench, image));
        bench.Close();
        ASSERT_TRUE(bench.OpenCommand());
        EXPECT_EQ(bench.Command("01").substr(0, 5), ":0134");
    }
    image[0x200] = 'X';
    {
        Bench bench(BootOptions());
        ASSERT_TRUE(bench.OpenBoot());
        ASSERT_TRUE(Update(bench, image));
        bench.Close();
        ASSERT_TRUE(bench.OpenCommand());
        EXPECT_EQ(bench.Command("01").substr(0, 5), ":0112");
    }
}

TEST(SimBootLoader, ErasedFlashWithoutAnImageStaysInTheBootLoader)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenBoot());
    ASSERT_EQ(bench.Raw(Bytes({0x43, 0xBC})), kAck);
    ASSERT_EQ(bench.Raw(Bytes({0xFF, 0x00})), kAck);
    const auto image = Carried();
    // Half the vector table is not an image.
    ASSERT_TRUE(WriteBlock(bench, 0, image.data(), 4));
    bench.Close();
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Pod().CurrentMode(), sim::EmulatedPod::Mode::kBoot);
    EXPECT_EQ(bench.Command("01"), "");
}

TEST(SimBootLoader, FirmwareVersionTag)
{
    int major = 0;
    int minor = 0;
    const std::string text = "xxQUOBIN POD FIRMWARE V1.10";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    ASSERT_TRUE(sim::FirmwareVersionOf(bytes, major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 10);
    const std::string bad = "QUOBIN POD FIRMWARE V1.99";
    EXPECT_FALSE(
        sim::FirmwareVersionOf(std::vector<std::uint8_t>(bad.begin(), bad.end()), major, minor));
}

} // namespace

namespace {

TEST(SimBootLoader, AnUpdateStoppedBeforeTheLastBlockIsNoFirmware)
{
    Bench bench(BootOptions());
    ASSERT_TRUE(bench.OpenBoot());
    auto image = Carried();
    image.resize(24064); // the 37-byte block left out
    ASSERT_TRUE(Update(bench, image));
    bench.Close();
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Pod().CurrentMode(), sim::EmulatedPod::Mode::kBoot);
    EXPECT_EQ(bench.Command("01"), "");
}

} // namespace
