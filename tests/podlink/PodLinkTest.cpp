// How the front ends' options become a link: the same meanings for window and CLI.
#include "podlink/PodLink.h"

#include "pod/PodClock.h"
#include "sim/SimUsbDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

TEST(PodLink, SimulateAndDriverSimBothGiveTheEmulatorWithTheOptionsApplied)
{
    pod::VirtualPodClock clock;
    for (bool viaDriver : {false, true}) {
        podlink::LinkOptions options;
        options.simulate = !viaDriver;
        options.driver = viaDriver ? "sim" : "";
        options.simOptions = {{"device", "Other"}, {"mcu", "mc56f8013"}};
        podlink::PodLink link = podlink::MakePodLink(options, clock);
        ASSERT_EQ(link.error, "");
        ASSERT_NE(link.simulated, nullptr);
        EXPECT_EQ(static_cast<pod::UsbDriver*>(link.simulated), link.driver.get());
        ASSERT_TRUE(link.driver->Load());
        std::uint32_t count = 0;
        EXPECT_EQ(link.driver->ListDeviceCount(&count), pod::kFtOk);
        EXPECT_EQ(count, 2u);
    }
}

TEST(PodLink, ContradictionsAndBadValuesAreRefusedWithTheirOptionNamed)
{
    pod::VirtualPodClock clock;
    podlink::LinkOptions options;
    options.simulate = true;
    options.driver = "ftdi";
    EXPECT_EQ(podlink::MakePodLink(options, clock).error,
              "--simulate and --driver ftdi contradict each other");

    options = {};
    options.driver = "ftdi";
    options.simOptions = {{"secured", ""}};
    EXPECT_EQ(podlink::MakePodLink(options, clock).error,
              "--sim-secured needs the emulated POD (--simulate)");

    options = {};
    options.simulate = true;
    options.simOptions = {{"wire", "warp"}};
    const podlink::PodLink bad = podlink::MakePodLink(options, clock);
    EXPECT_FALSE(bad.driver);
    EXPECT_EQ(bad.simulated, nullptr);
    EXPECT_NE(bad.error.find("--sim-wire"), std::string::npos) << bad.error;

    options = {};
    options.driver = "usb3";
    EXPECT_EQ(podlink::MakePodLink(options, clock).error,
              "unknown USB back end 'usb3' (use ftdi, d2xx or sim)");
}

TEST(PodLink, TraceWrapsTheDriverAndAnUnwritableTraceIsAnError)
{
    pod::VirtualPodClock clock;
    const auto dir =
        std::filesystem::temp_directory_path() / ("quobin-podlink-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    podlink::LinkOptions options;
    options.simulate = true;
    options.tracePath = (dir / "trace.txt").string();
    {
        podlink::PodLink link = podlink::MakePodLink(options, clock);
        ASSERT_EQ(link.error, "");
        EXPECT_NE(static_cast<pod::UsbDriver*>(link.simulated), link.driver.get());
        ASSERT_TRUE(link.driver->Load());
        pod::FtHandle handle = nullptr;
        ASSERT_EQ(link.driver->OpenByDescription("Quobin", &handle), pod::kFtOk);
        link.driver->Close(handle);
    }
    std::ifstream in(options.tracePath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("open \"Quobin\""), std::string::npos) << text;

    options.tracePath = (dir / "missing" / "trace.txt").string();
    const podlink::PodLink refused = podlink::MakePodLink(options, clock);
    EXPECT_FALSE(refused.driver);
    EXPECT_EQ(refused.simulated, nullptr);
    EXPECT_EQ(refused.error,
              "cannot write the trace file " + options.tracePath + ": No such file or directory");
    std::filesystem::remove_all(dir);
}

TEST(PodLink, QuobinSimulateTurnsTheEmulatorOnUnlessEmptyOrZero)
{
    ::setenv("QUOBIN_SIMULATE", "1", 1);
    EXPECT_TRUE(podlink::SimulateFromEnvironment());
    ::setenv("QUOBIN_SIMULATE", "0", 1);
    EXPECT_FALSE(podlink::SimulateFromEnvironment());
    ::setenv("QUOBIN_SIMULATE", "", 1);
    EXPECT_FALSE(podlink::SimulateFromEnvironment());
    ::unsetenv("QUOBIN_SIMULATE");
    EXPECT_FALSE(podlink::SimulateFromEnvironment());
}

} // namespace
