// How the front ends' options become a link: the same meanings for window and CLI.
#include "podlink/PodLink.h"
#include "podlink/LinkOptions.h"

#include "pod/PodClock.h"
#include "sim/SimUsbDriver.h"
#include "tests/support/TestSystem.h"

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
        options.sim.devices = {"Other"};
        options.sim.mcu = "mc56f8013";
        podlink::PodLink link = podlink::MakePodLink(options, clock);
        ASSERT_EQ(link.error, "");
        ASSERT_NE(link.simulated, nullptr);
        EXPECT_EQ(static_cast<pod::UsbDriver*>(link.simulated), link.driver.get());
        ASSERT_TRUE(link.driver->Load());
        std::uint32_t count = 0;
        EXPECT_EQ(link.driver->ListDeviceCount(&count), pod::kFtOk);
        EXPECT_EQ(count, 2u);
        char description[pod::kDescriptionSize] = {};
        EXPECT_EQ(link.driver->ListDeviceDescription(0, description), pod::kFtOk);
        EXPECT_STREQ(description, "Quobin");
    }
}

TEST(PodLink, RealBackEndsAreMadeByName)
{
    pod::VirtualPodClock clock;
    for (const char* kind : {"ftdi", "d2xx"}) {
        podlink::LinkOptions options;
        options.driver = kind;
        const podlink::PodLink link = podlink::MakePodLink(options, clock);
        EXPECT_TRUE(link.driver) << kind;
        EXPECT_EQ(link.simulated, nullptr);
        EXPECT_EQ(link.error, "");
    }
}

TEST(PodLink, QuobinDriverNamesTheBackEndWhenNoOptionDoes)
{
    pod::VirtualPodClock clock;
    support::SetEnv("QUOBIN_DRIVER", "sim");
    const podlink::PodLink link = podlink::MakePodLink({}, clock);
    support::UnsetEnv("QUOBIN_DRIVER");
    EXPECT_NE(link.simulated, nullptr);
}

// 8 bytes of 10 bits at 921600 baud take about 87 us: on the real-time wire all are
// still on the way while the clock stands; on the instant wire none are.
std::uint32_t BytesStillOnTheWay(pod::UsbDriver& driver)
{
    EXPECT_TRUE(driver.Load());
    pod::FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenByDescription("Quobin", &handle), pod::kFtOk);
    EXPECT_EQ(driver.SetBaudRate(handle, 921600), pod::kFtOk);
    EXPECT_EQ(
        driver.SetDataCharacteristics(handle, pod::kFtBits8, pod::kFtStopBits1, pod::kFtParityNone),
        pod::kFtOk);
    const char bytes[8] = {'0', '1', '2', '3', '4', '5', '6', '7'};
    std::uint32_t written = 0;
    EXPECT_EQ(driver.Write(handle, bytes, sizeof bytes, &written), pod::kFtOk);
    std::uint32_t rx = 0;
    std::uint32_t tx = 0;
    std::uint32_t events = 0;
    EXPECT_EQ(driver.GetStatus(handle, &rx, &tx, &events), pod::kFtOk);
    driver.Close(handle);
    return tx;
}

TEST(PodLink, EmulatorWireIsTheFrontEndsDefaultUnlessSimWireSaysOtherwise)
{
    struct Case {
        sim::WireMode defaultWire;
        const char* simWire;
        std::uint32_t onTheWay;
    };
    for (const Case& c :
         {Case{sim::WireMode::kReal, "", 8u}, Case{sim::WireMode::kReal, "instant", 0u},
          Case{sim::WireMode::kInstant, "", 0u}, Case{sim::WireMode::kInstant, "real", 8u}}) {
        pod::VirtualPodClock clock(1000);
        podlink::LinkOptions options;
        options.simulate = true;
        options.defaultWire = c.defaultWire;
        options.sim.wire = c.simWire;
        podlink::PodLink link = podlink::MakePodLink(options, clock);
        ASSERT_TRUE(link.driver) << link.error;
        EXPECT_EQ(BytesStillOnTheWay(*link.driver), c.onTheWay) << c.simWire;
    }
}

TEST(LinkOptions, OneLineOfTextReadsAsTheProgramsReadTheirCommandLines)
{
    podlink::LinkOptions options;
    ASSERT_EQ(podlink::ParseLinkOptions("--sim-mcu 27 --sim-fault 0x01:1:silent "
                                        "--sim-fault=sync:2:error --sim-boot --sim-device "
                                        "\"Other FTDI\" --sim-version 1.2",
                                        options),
              "");
    EXPECT_EQ(options.sim.mcu, "27");
    EXPECT_EQ(options.sim.faults, (std::vector<std::string>{"0x01:1:silent", "sync:2:error"}));
    EXPECT_TRUE(options.sim.boot);
    EXPECT_EQ(options.sim.devices, std::vector<std::string>{"Other FTDI"});

    sim::SimOptions made;
    ASSERT_EQ(podlink::MakeSimOptions(options, made), "");
    EXPECT_EQ(made.mcu, 27);
    EXPECT_EQ(made.faults.size(), 2u);
    EXPECT_TRUE(made.boot);
    EXPECT_EQ(made.versionMajor, 1);
    EXPECT_EQ(made.versionMinor, 2);
    EXPECT_EQ(made.extraDevices, std::vector<std::string>{"Other FTDI"});

    podlink::LinkOptions refused;
    EXPECT_NE(podlink::ParseLinkOptions("--sim-speed 3", refused), "");
    EXPECT_NE(podlink::ParseLinkOptions("--sim-mcu", refused), "");
    podlink::LinkOptions badValue;
    badValue.sim.mcu = "MC56F9999";
    EXPECT_EQ(podlink::MakeSimOptions(badValue, made),
              "--sim-mcu: unknown MCU 'MC56F9999' (a name such as MC56F8367, or an index 0..27)");
    EXPECT_EQ(made.mcu, 27) << "a refused option leaves the settings as they were";
}

TEST(LinkOptions, GivenListsEachEmulatorOptionByItsName)
{
    podlink::SimArgs args;
    EXPECT_TRUE(args.Given().empty());
    args.noTarget = true;
    args.faults = {"a", "b"};
    args.state = "dir";
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(args.Given(),
              (Pairs{{"no-target", ""}, {"fault", "a"}, {"fault", "b"}, {"state", "dir"}}));
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
    options.sim.secured = true;
    EXPECT_EQ(podlink::MakePodLink(options, clock).error,
              "--sim-secured needs the emulated POD (--simulate)");

    options = {};
    options.simulate = true;
    options.sim.wire = "warp";
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
    in.close(); // Windows removes no open file
    EXPECT_NE(text.find("open \"Quobin\""), std::string::npos) << text;

    options.tracePath = (dir / "missing" / "trace.txt").string();
    const podlink::PodLink refused = podlink::MakePodLink(options, clock);
    EXPECT_FALSE(refused.driver);
    EXPECT_EQ(refused.simulated, nullptr);
    EXPECT_EQ(refused.error,
              "cannot write the trace file " + options.tracePath + ": No such file or directory");
    std::filesystem::remove_all(dir);
}

TEST(LinkOptions, QuobinSimulateTurnsTheEmulatorOnUnlessEmptyOrZero)
{
    struct Case {
        const char* value; // null: unset
        bool simulate;
    };
    for (const Case& c : {Case{"1", true}, Case{"yes", true}, Case{"0", false}, Case{"", false},
                          Case{nullptr, false}}) {
        if (c.value != nullptr)
            support::SetEnv("QUOBIN_SIMULATE", c.value);
        else
            support::UnsetEnv("QUOBIN_SIMULATE");
        podlink::LinkOptions options;
        podlink::ApplyEnvironment(options);
        EXPECT_EQ(options.simulate, c.simulate) << (c.value ? c.value : "unset");
    }
    support::UnsetEnv("QUOBIN_SIMULATE");
}

TEST(LinkOptions, QuobinResourcesStandsInForTheOptionOnly)
{
    support::SetEnv("QUOBIN_RESOURCES", "/from/env");
    podlink::LinkOptions options;
    podlink::ApplyEnvironment(options);
    EXPECT_EQ(options.resources, "/from/env");
    options.resources = "/given";
    podlink::ApplyEnvironment(options);
    EXPECT_EQ(options.resources, "/given");
    support::UnsetEnv("QUOBIN_RESOURCES");
}

} // namespace

namespace {

// A fault on a boot-loader step can only fire while the POD is in its boot loader: asked
// of a POD that never is, it is refused before anything runs instead of testing nothing.
TEST(PodLink, BootLoaderFaultsNeedAPodInItsBootLoader)
{
    const struct {
        std::string line;
        std::string error;
    } cases[] = {
        {"--simulate --sim-fault write:3:unplug",
         "--sim-fault: 'write:3:unplug' is a step of the boot loader and fires only with --sim-boot"},
        {"--simulate --sim-fault sync:1:silent --sim-fault 0x01:1:error",
         "--sim-fault: 'sync:1:silent' is a step of the boot loader and fires only with --sim-boot"},
        {"--simulate --sim-boot --sim-fault erase:1:error", ""},
        // A POD kept in a state folder may have been left in its boot loader.
        {"--simulate --sim-state st --sim-fault write:1:error", ""},
        {"--simulate --sim-fault 0x25:3:cut:2", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        podlink::LinkOptions options;
        ASSERT_EQ(podlink::ParseLinkOptions(c.line, options), "");
        sim::SimOptions made;
        EXPECT_EQ(podlink::MakeSimOptions(options, made), c.error);
    }
}

} // namespace
