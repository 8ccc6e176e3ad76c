#include <gtest/gtest.h>

#include <cstring>

#include "tests/sim/SimTestSupport.h"

using simtest::Bench;
using simtest::Frame;

namespace {

TEST(SimDriver, ListsThePodAndFurtherDevicesAndOpensByExactDescription)
{
    sim::SimOptions options;
    options.extraDevices = {"quobin", "Quobin2"};
    Bench bench(options);
    std::uint32_t count = 0;
    ASSERT_EQ(bench.driver->ListDeviceCount(&count), pod::kFtOk);
    ASSERT_EQ(count, 3u);
    char buffer[pod::kDescriptionSize];
    std::memset(buffer, 0x55, sizeof buffer);
    ASSERT_EQ(bench.driver->ListDeviceDescription(0, buffer), pod::kFtOk);
    EXPECT_STREQ(buffer, "Quobin");
    EXPECT_EQ(buffer[63], 0);
    ASSERT_EQ(bench.driver->ListDeviceDescription(2, buffer), pod::kFtOk);
    EXPECT_STREQ(buffer, "Quobin2");
    EXPECT_EQ(bench.driver->ListDeviceDescription(3, buffer), pod::kFtDeviceNotFound);
    char serial[16];
    ASSERT_EQ(bench.driver->ListDeviceSerial(1, serial), pod::kFtOk);
    EXPECT_STREQ(serial, "QBSIM002");

    pod::FtHandle lower = nullptr;
    ASSERT_EQ(bench.driver->OpenByDescription("quobin", &lower), pod::kFtOk);
    bench.driver->SetBaudRate(lower, 921600);
    bench.driver->SetDataCharacteristics(lower, 8, 0, 0);
    std::uint32_t written = 0;
    const std::string frame = Frame("01");
    bench.driver->Write(lower, frame.data(), 6, &written);
    bench.clock.Advance(20);
    std::uint32_t rx = 1;
    ASSERT_EQ(bench.driver->GetQueueStatus(lower, &rx), pod::kFtOk);
    EXPECT_EQ(rx, 0u); // not the POD

    pod::FtHandle missing = nullptr;
    EXPECT_EQ(bench.driver->OpenByDescription("Quobin ", &missing), pod::kFtDeviceNotFound);
    ASSERT_TRUE(bench.OpenCommand());
    pod::FtHandle second = nullptr;
    EXPECT_EQ(bench.driver->OpenByDescription("Quobin", &second), pod::kFtDeviceNotOpened);
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
}

TEST(SimDriver, PodHearsNothingAtOtherLineSettings)
{
    Bench bench;
    ASSERT_EQ(bench.driver->OpenByDescription("Quobin", &bench.handle), pod::kFtOk);
    EXPECT_EQ(bench.Command("01"), ""); // still at the chip's default 9600 baud
    bench.driver->SetBaudRate(bench.handle, 921600);
    bench.driver->SetDataCharacteristics(bench.handle, 8, 0, 2);
    EXPECT_EQ(bench.Command("01"), "");
    bench.driver->SetDataCharacteristics(bench.handle, 8, 0, 0);
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
    sim::SimUsbDriver::LineSettings line;
    ASSERT_TRUE(bench.driver->SettingsOf(bench.handle, line));
    EXPECT_EQ(line.baud, 921600u);

    // Half a frame, then noise at the wrong baud rate: the half frame is lost.
    EXPECT_EQ(bench.Raw(":01"), "");
    bench.driver->SetBaudRate(bench.handle, 115200);
    bench.Raw("xx");
    bench.driver->SetBaudRate(bench.handle, 921600);
    EXPECT_EQ(bench.Raw("61\r"), "");
    EXPECT_EQ(bench.driver->SetBaudRate(bench.handle, 0), pod::kFtInvalidParameter);
    EXPECT_EQ(bench.driver->SetDataCharacteristics(bench.handle, 9, 0, 0),
              pod::kFtInvalidParameter);
}

TEST(SimDriver, PurgeEmptiesTheReceiveQueue)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    std::uint32_t written = 0;
    const std::string frame = Frame("01");
    bench.driver->Write(bench.handle, frame.data(), 6, &written);
    EXPECT_EQ(written, 6u);
    std::uint32_t rx = 0;
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 8u);
    char c = 0;
    std::uint32_t got = 0;
    ASSERT_EQ(bench.driver->Read(bench.handle, &c, 1, &got), pod::kFtOk);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(c, ':');
    ASSERT_EQ(bench.driver->Purge(bench.handle, pod::kFtPurgeRx | pod::kFtPurgeTx), pod::kFtOk);
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 0u);
    ASSERT_EQ(bench.driver->Read(bench.handle, &c, 1, &got), pod::kFtOk);
    EXPECT_EQ(got, 0u);
}

TEST(SimDriver, UnloadedDriverAndStaleHandlesFail)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    bench.driver->Unload();
    std::uint32_t count = 0;
    EXPECT_NE(bench.driver->ListDeviceCount(&count), pod::kFtOk);
    EXPECT_NE(bench.driver->GetQueueStatus(bench.handle, &count), pod::kFtOk);
    EXPECT_EQ(bench.driver->LastError(), "the FTDI driver is not loaded");
    ASSERT_TRUE(bench.driver->Load());
    EXPECT_EQ(bench.driver->Close(bench.handle), pod::kFtOk);
    EXPECT_EQ(bench.driver->Close(bench.handle), pod::kFtInvalidHandle);
    EXPECT_EQ(bench.driver->GetQueueStatus(bench.handle, &count), pod::kFtInvalidHandle);
}

TEST(SimDriver, UnplugAndPlugByHand)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    bench.driver->Unplug();
    std::uint32_t rx = 0;
    EXPECT_EQ(bench.driver->GetQueueStatus(bench.handle, &rx), pod::kFtIoError);
    EXPECT_EQ(bench.driver->LastError(), "the device was unplugged");
    bench.driver->Close(bench.handle);
    bench.driver->Plug();
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
}

TEST(SimWire, CommandBytesAndReplyTakeTheirTimeAt921600)
{
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand()); // latency timer 2 ms
    std::uint32_t written = 0;
    const std::string frame = Frame("01");
    ASSERT_EQ(bench.driver->Write(bench.handle, frame.data(), 6, &written), pod::kFtOk);
    std::uint32_t rx = 0;
    std::uint32_t tx = 0;
    std::uint32_t events = 0;
    ASSERT_EQ(bench.driver->GetStatus(bench.handle, &rx, &tx, &events), pod::kFtOk);
    EXPECT_EQ(tx, 6u); // 10 bits per byte: about 11 us each, still on the wire
    EXPECT_EQ(rx, 0u);
    bench.clock.Advance(1);
    bench.driver->GetStatus(bench.handle, &rx, &tx, &events);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(rx, 0u); // the reply waits for the 2 ms latency timer
    bench.clock.Advance(1);
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 0u);
    bench.clock.Advance(1);
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 8u);
}

TEST(SimWire, AReplyArrivesWholeOneLatencyPeriodAfterItsLastByteToTheMicrosecond)
{
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenCommand()); // latency timer 2 ms
    // 10 bits at 921600 baud: 11 us a byte, rounded up. The 6-byte command is heard after
    // 66 us, the 8-byte reply leaves the POD 88 us later, and the chip passes it on in
    // one packet when its latency timer runs out.
    constexpr std::uint32_t kArrivalUs = 6 * 11 + 8 * 11 + 2000;
    std::uint32_t written = 0;
    const std::string frame = Frame("01");
    ASSERT_EQ(bench.driver->Write(bench.handle, frame.data(), 6, &written), pod::kFtOk);
    std::uint32_t rx = 0;
    bench.clock.SleepUs(kArrivalUs - 1);
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 0u);
    bench.clock.SleepUs(1);
    bench.driver->GetQueueStatus(bench.handle, &rx);
    EXPECT_EQ(rx, 8u);
}

TEST(SimWire, BootLineDrainsAtElevenBitsPerByte)
{
    sim::SimOptions options;
    options.wire = sim::WireMode::kReal;
    options.boot = true;
    Bench bench(options);
    ASSERT_TRUE(bench.OpenBoot());
    const std::string block(100, '\x31');
    std::uint32_t written = 0;
    bench.driver->Write(bench.handle, block.data(), 100, &written);
    std::uint32_t rx = 0;
    std::uint32_t tx = 0;
    std::uint32_t events = 0;
    bench.driver->GetStatus(bench.handle, &rx, &tx, &events);
    EXPECT_EQ(tx, 100u);
    // 11 bits at 115200 baud are 96 us (rounded up): 9.6 ms for 100 bytes.
    bench.clock.Advance(5);
    bench.driver->GetStatus(bench.handle, &rx, &tx, &events);
    EXPECT_EQ(tx, 48u);
    bench.clock.Advance(5);
    bench.driver->GetStatus(bench.handle, &rx, &tx, &events);
    EXPECT_EQ(tx, 0u);
}

TEST(SimWire, InstantModeHasTheReplyAtOnce)
{
    Bench bench;
    ASSERT_TRUE(bench.OpenCommand());
    std::uint32_t written = 0;
    const std::string frame = Frame("01");
    bench.driver->Write(bench.handle, frame.data(), 6, &written);
    std::uint32_t rx = 0;
    std::uint32_t tx = 9;
    std::uint32_t events = 0;
    bench.driver->GetStatus(bench.handle, &rx, &tx, &events);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(rx, 8u);
}

} // namespace
