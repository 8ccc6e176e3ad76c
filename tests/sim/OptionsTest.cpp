#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace {

TEST(SimOptionsParse, EachOptionSetsItsField)
{
    sim::SimOptions options;
    EXPECT_EQ(options.mcu, -1);
    EXPECT_EQ(options.versionMajor, 1);
    EXPECT_EQ(options.versionMinor, 1);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-mcu", "mc56f8013"), "");
    EXPECT_EQ(options.mcu, 10);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-mcu", "0"), "");
    EXPECT_EQ(options.mcu, 0);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-secured", ""), "");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-no-target", ""), "");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-boot", ""), "");
    EXPECT_TRUE(options.secured && options.noTarget && options.boot);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-version", "2.10"), "");
    EXPECT_EQ(options.versionMajor, 2);
    EXPECT_EQ(options.versionMinor, 10);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-fault", "0x25:1:silent"), "");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-fault", "sync:2:error"), "");
    EXPECT_EQ(options.faults.size(), 2u);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-wire", "real"), "");
    EXPECT_EQ(options.wire, sim::WireMode::kReal);
    EXPECT_EQ(sim::ApplySimOption(options, "sim-state", "/tmp/x"), "");
    EXPECT_EQ(options.stateDir, "/tmp/x");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-device", "Quobin2"), "");
    EXPECT_EQ(options.extraDevices, std::vector<std::string>{"Quobin2"});
}

TEST(SimOptionsParse, BadValuesAreNamed)
{
    sim::SimOptions options;
    EXPECT_EQ(sim::ApplySimOption(options, "sim-mcu", "28"),
              "--sim-mcu: unknown MCU '28' (a name such as MC56F8367, or an index 0..27)");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-mcu", "mc56f8099"),
              "--sim-mcu: unknown MCU 'mc56f8099' (a name such as MC56F8367, or an index 0..27)");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-version", "1"),
              "--sim-version: '1' must read X.Y with X and Y from 0 to 15");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-version", "1.16"),
              "--sim-version: '1.16' must read X.Y with X and Y from 0 to 15");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-wire", "fast"),
              "--sim-wire: 'fast' must be instant or real");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-fault", "0x25"),
              "--sim-fault: fault '0x25' must read WHAT:N:KIND");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-boot", "1"), "--sim-boot takes no value");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-state", ""), "--sim-state needs a directory");
    EXPECT_EQ(sim::ApplySimOption(options, "sim-speed", "1"), "unknown option --sim-speed");
    EXPECT_EQ(options.mcu, -1);
    EXPECT_EQ(options.versionMajor, 1);
    EXPECT_FALSE(options.boot);
    EXPECT_TRUE(options.faults.empty());
}

} // namespace
