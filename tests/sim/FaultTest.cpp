#include <gtest/gtest.h>

#include "tests/sim/SimTestSupport.h"
#include "sim/SimFault.h"

using simtest::Bench;

namespace {

sim::SimOptions WithFaults(std::initializer_list<const char*> texts, bool boot = false)
{
    sim::SimOptions options;
    options.boot = boot;
    for (const char* text : texts) {
        sim::SimFault fault;
        EXPECT_EQ(sim::ParseSimFault(text, fault), "") << text;
        options.faults.push_back(fault);
    }
    return options;
}

TEST(SimFaultParse, AcceptsEveryKind)
{
    sim::SimFault fault;
    ASSERT_EQ(sim::ParseSimFault("0x25:3:cut:2", fault), "");
    EXPECT_EQ(fault.what, 0x25);
    EXPECT_EQ(fault.occurrence, 3u);
    EXPECT_EQ(fault.kind, sim::FaultKind::kCut);
    EXPECT_EQ(fault.parameter, 2u);
    ASSERT_EQ(sim::ParseSimFault("sync:1:slow:250", fault), "");
    EXPECT_EQ(fault.what, sim::kFaultSync);
    EXPECT_EQ(fault.kind, sim::FaultKind::kSlow);
    EXPECT_EQ(fault.parameter, 250u);
    for (const char* ok :
         {"erase:2:error", "write:95:garbage", "0x01:1:silent", "0x51:10:unplug", "0XfF:1:error"}) {
        EXPECT_EQ(sim::ParseSimFault(ok, fault), "") << ok;
    }
    ASSERT_EQ(sim::ParseSimFault("write:4:cut:0", fault), "");
    EXPECT_EQ(sim::FaultText(fault), "write:4:cut:0");
    ASSERT_EQ(sim::ParseSimFault("0x5:1:silent", fault), "");
    EXPECT_EQ(sim::FaultText(fault), "0x05:1:silent");
}

TEST(SimFaultParse, RejectsBadInputWithAReason)
{
    sim::SimFault fault;
    fault.what = 0x77;
    EXPECT_EQ(sim::ParseSimFault("0x25:3", fault), "fault '0x25:3' must read WHAT:N:KIND");
    EXPECT_EQ(sim::ParseSimFault("25:1:silent", fault),
              "unknown fault target '25': use an opcode in hex (0x00..0xFF) or sync, erase, write");
    EXPECT_EQ(
        sim::ParseSimFault("0x100:1:silent", fault),
        "unknown fault target '0x100': use an opcode in hex (0x00..0xFF) or sync, erase, write");
    EXPECT_EQ(sim::ParseSimFault("0x25:0:silent", fault),
              "fault '0x25:0:silent': N must be a whole number from 1");
    EXPECT_EQ(sim::ParseSimFault("0x25:x:silent", fault),
              "fault '0x25:x:silent': N must be a whole number from 1");
    EXPECT_EQ(sim::ParseSimFault("0x25:1:cut", fault),
              "fault '0x25:1:cut': cut needs a number (cut:K)");
    EXPECT_EQ(sim::ParseSimFault("0x25:1:slow:", fault),
              "fault '0x25:1:slow:': '' is not a whole number");
    EXPECT_EQ(sim::ParseSimFault("0x25:1:silent:3", fault),
              "fault '0x25:1:silent:3': silent takes no number");
    EXPECT_EQ(sim::ParseSimFault("0x25:1:boom", fault),
              "fault '0x25:1:boom': unknown kind 'boom' (silent, garbage, error, cut:K, slow:MS, "
              "unplug)");
    EXPECT_EQ(fault.what, 0x77); // untouched on failure
}

TEST(SimFaultCommand, SilentGarbageCutHitOnlyTheNthOccurrence)
{
    Bench bench(WithFaults({"0x01:2:silent", "0x01:3:garbage", "0x01:4:cut:3"}));
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
    EXPECT_EQ(bench.Command("01"), "");
    const std::string garbage = bench.Command("01");
    ASSERT_EQ(garbage.size(), 8u);
    EXPECT_EQ(static_cast<unsigned char>(garbage[0]), 0xA5);
    EXPECT_EQ(garbage.substr(1), "0111C3\r");
    EXPECT_EQ(bench.Command("01"), ":01");
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
    EXPECT_EQ(bench.Pod().CommandCount(0x01), 5u);
}

TEST(SimFaultCommand, ErrorReplyLeavesTheCommandUndone)
{
    Bench bench(WithFaults({"0x20:1:error"}));
    ASSERT_TRUE(bench.OpenCommand());
    const std::string reply = bench.Command("201B04000064");
    ASSERT_EQ(reply.size(), 6u);
    EXPECT_EQ(reply[0], '?');
    EXPECT_FALSE(bench.Ok("21")); // not connected
    EXPECT_TRUE(bench.Ok("201B04000064"));
    EXPECT_TRUE(bench.Ok("21"));
}

TEST(SimFaultCommand, SlowReplyArrivesLate)
{
    Bench bench(WithFaults({"0x51:1:slow:300"}));
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Command("5102000080", 100), "");
    const std::string late = bench.Raw("", 300);
    ASSERT_EQ(late.size(), 10u);
    EXPECT_EQ(late.substr(0, 3), ":51");
}

TEST(SimFaultCommand, UnplugDropsTheDeviceUntilPluggedAgain)
{
    Bench bench(WithFaults({"0x01:1:unplug"}));
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Command("01"), "");
    EXPECT_FALSE(bench.driver->Plugged());
    std::uint32_t written = 0;
    EXPECT_EQ(bench.driver->Write(bench.handle, "x", 1, &written), pod::kFtIoError);
    std::uint32_t count = 9;
    ASSERT_EQ(bench.driver->ListDeviceCount(&count), pod::kFtOk);
    EXPECT_EQ(count, 0u);
    pod::FtHandle other = nullptr;
    EXPECT_EQ(bench.driver->OpenByDescription("Quobin", &other), pod::kFtDeviceNotFound);
    EXPECT_EQ(bench.driver->Close(bench.handle), pod::kFtOk);

    bench.driver->Plug();
    ASSERT_TRUE(bench.OpenCommand());
    EXPECT_EQ(bench.Command("01"), ":0111C3\r");
}

TEST(SimFaultBoot, StepsFailAsRequested)
{
    Bench bench(
        WithFaults({"sync:1:silent", "erase:1:error", "write:2:garbage", "sync:2:slow:150"}, true));
    ASSERT_TRUE(bench.OpenBoot());
    EXPECT_EQ(bench.Raw("\x7F"), "");
    EXPECT_EQ(bench.Raw("\x7F", 50), "");
    EXPECT_EQ(bench.Raw("", 150), "\x79");
    EXPECT_EQ(bench.Raw("\x43\xBC"), "\x1F");
    EXPECT_EQ(bench.Raw("\x31\xCE"), "\x79");
    EXPECT_EQ(bench.Raw(std::string("\x08\x00\x00\x00\x08", 5)), "\x79");
    bench.Raw(std::string("\x00\x41\x41", 3));
    EXPECT_EQ(bench.Raw("\x31\xCE"), "\xA5");
    // The refused write left the boot loader waiting for a command again.
    EXPECT_EQ(bench.Raw("\x7F"), "\x79");
}

TEST(SimFaultBoot, UnplugDuringTheUpdate)
{
    Bench bench(WithFaults({"erase:1:unplug"}, true));
    ASSERT_TRUE(bench.OpenBoot());
    EXPECT_EQ(bench.Raw("\x7F"), "\x79");
    EXPECT_EQ(bench.Raw("\x43\xBC"), "");
    EXPECT_FALSE(bench.driver->Plugged());
}

} // namespace
