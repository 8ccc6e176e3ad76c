#include "report/Messages.h"
#include "tests/pod/PodFixture.h"
#include "tests/support/RecordingView.h"
#include "report/SessionReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pod::test {
namespace {

using Calls = std::vector<std::string>;

const Calls kCommandConfiguration = {
    "OpenByDescription Quobin",
    "ResetDevice",
    "SetLatencyTimer 2",
    "SetBaudRate 921600",
    "SetDataCharacteristics 8 0 0",
    "SetFlowControl 0 0 0",
    "SetTimeouts 1500 1500",
    "Purge 3",
};

class PodSessionTest : public PodFixture {
protected:
    support::RecordingView status;
};

TEST_F(PodSessionTest, StartsAbsentWithEmptyDescription)
{
    EXPECT_EQ(session.state(), PodState::Absent);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.handle(), nullptr);
    EXPECT_FALSE(session.libraryReady());
    EXPECT_FALSE(session.deviceFound());
    EXPECT_EQ(session.description(), "");
    EXPECT_EQ(session.configuration(), PodConfiguration::None);
}

TEST_F(PodSessionTest, ProbeLoadsListsEveryDeviceAndBecomesReady)
{
    driver.devices = {"Other", "Quobin", "Third"};
    session.ProbePod();
    EXPECT_EQ(driver.Calls(), (Calls{"Load", "ListDeviceCount", "ListDeviceDescription 0",
                                     "ListDeviceDescription 1", "ListDeviceDescription 2"}));
    EXPECT_EQ(session.state(), PodState::Ready);
    EXPECT_TRUE(session.libraryReady());
    EXPECT_TRUE(session.deviceFound());
    EXPECT_TRUE(session.libraryLoaded());
    EXPECT_EQ(session.description(), "Quobin");
}

TEST_F(PodSessionTest, DescriptionsDifferingInCaseOrLongerAreNotThePod)
{
    driver.devices = {"quobin", "QUOBIN", "Quobin2", "Quobin ", "Quobi", ""};
    session.ProbePod();
    EXPECT_FALSE(session.deviceFound());
    EXPECT_FALSE(session.libraryReady());
    EXPECT_FALSE(session.libraryLoaded()); // released when no POD was seen
    EXPECT_EQ(session.state(), PodState::Absent);
    EXPECT_EQ(driver.Calls().back(), "Unload");
}

TEST_F(PodSessionTest, UnterminatedSixtyFourByteDescriptionIsReadSafely)
{
    driver.devices = {std::string(64, 'Q')};
    session.ProbePod();
    EXPECT_FALSE(session.deviceFound());
}

TEST_F(PodSessionTest, FailedEnumerationCallsAreSkipped)
{
    driver.devices = {"Quobin", "Quobin"};
    driver.FailCall("ListDeviceDescription", kFtIoError, 1);
    session.ProbePod();
    EXPECT_TRUE(session.deviceFound());

    driver.FailCall("ListDeviceCount");
    session.FindPodDevice();
    EXPECT_FALSE(session.deviceFound());
}

// A POD unplugged while the list is read moves the others down: the POD wanted by its
// serial is still found, in a second listing, instead of being reported absent.
TEST_F(PodSessionTest, AListThatChangesWhileReadIsReadAgain)
{
    driver.devices = {"Quobin", "Quobin"};
    driver.serials = {"QBSIM001", "QBSIM002"};
    session.SetSerial("QBSIM002");
    driver.FailCall("ListDeviceSerial", kFtDeviceNotFound, 1, 1); // index 1 vanished once
    session.ProbePod();
    EXPECT_TRUE(session.deviceFound());
    std::size_t listings = 0;
    for (const std::string& call : driver.Calls()) listings += call == "ListDeviceCount";
    EXPECT_EQ(listings, 2u);

    // A POD that is gone for good is absent after a bounded number of listings.
    session.SetSerial("QBSIM009");
    driver.ClearCalls();
    session.FindPodDevice();
    EXPECT_FALSE(session.deviceFound());
}

TEST_F(PodSessionTest, TwoPodsAreFoundAndOpenedByDescription)
{
    driver.devices = {"Quobin", "Quobin"};
    session.ProbePod();
    EXPECT_TRUE(session.deviceFound());
    EXPECT_TRUE(session.OpenPodSession());
    EXPECT_EQ(session.state(), PodState::Open);
}

TEST_F(PodSessionTest, OpenConfiguresCommandChannelInOrder)
{
    session.ProbePod();
    driver.ClearCalls();
    ASSERT_TRUE(session.OpenPodSession());
    EXPECT_EQ(driver.Calls(), kCommandConfiguration);
    EXPECT_TRUE(session.IsOpen());
    EXPECT_NE(session.handle(), nullptr);
    EXPECT_EQ(session.configuration(), PodConfiguration::Command);
}

TEST_F(PodSessionTest, OpenRefusedWithoutProbe)
{
    EXPECT_FALSE(session.OpenPodSession());
    EXPECT_FALSE(session.OpenPodBootSession());
    EXPECT_TRUE(driver.Calls().empty());
}

TEST_F(PodSessionTest, EachFailingConfigurationCallClosesTheHandle)
{
    const char* steps[] = {
        "ResetDevice",    "SetLatencyTimer", "SetBaudRate", "SetDataCharacteristics",
        "SetFlowControl", "SetTimeouts",     "Purge"};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        VirtualPodClock c;
        ScriptedUsbDriver d(c);
        PodSession s(d, c);
        d.FailCall(steps[i]);
        s.ProbePod();
        d.ClearCalls();
        EXPECT_FALSE(s.OpenPodSession()) << steps[i];
        Calls expected(kCommandConfiguration.begin(), kCommandConfiguration.begin() + 2 + i);
        expected.push_back("Close");
        EXPECT_EQ(d.Calls(), expected) << steps[i];
        EXPECT_EQ(d.OpenHandles(), 0) << steps[i];
        EXPECT_FALSE(s.IsOpen());
    }
}

TEST_F(PodSessionTest, FailedOpenExClosesNothing)
{
    session.ProbePod();
    driver.FailCall("OpenByDescription");
    driver.ClearCalls();
    EXPECT_FALSE(session.OpenPodSession());
    EXPECT_EQ(driver.Calls(), (Calls{"OpenByDescription Quobin"}));
}

TEST_F(PodSessionTest, EnsureProbesOpensAndReportsNothingOnSuccess)
{
    EXPECT_TRUE(report::EnsurePodSession(session, status));
    EXPECT_TRUE(status.Statuses().empty());
    EXPECT_EQ(session.state(), PodState::Open);
}

TEST_F(PodSessionTest, EnsureWithAnOpenHandleTouchesNothing)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    driver.ClearCalls();
    const FtHandle before = session.handle();
    const int reads = driver.ReadCalls();
    const int statusCalls = driver.GetStatusCalls();
    EXPECT_TRUE(report::EnsurePodSession(session, status));
    EXPECT_TRUE(driver.Calls().empty());
    EXPECT_EQ(driver.ReadCalls(), reads);
    EXPECT_EQ(driver.GetStatusCalls(), statusCalls);
    EXPECT_EQ(session.handle(), before);
}

TEST_F(PodSessionTest, EnsureWithoutPodReports117AndStaysAbsent)
{
    driver.devices = {"FT232R USB UART"};
    EXPECT_FALSE(report::EnsurePodSession(session, status));
    EXPECT_EQ(status.Events(), (Calls{"status red Device is not connected to the PC."}));
    EXPECT_EQ(session.state(), PodState::Absent);
    EXPECT_FALSE(session.libraryLoaded());
}

TEST_F(PodSessionTest, EnsureWithoutDriverLibraryReports117)
{
    driver.loadable = false;
    EXPECT_FALSE(report::EnsurePodSession(session, status));
    EXPECT_EQ(status.Events(), (Calls{"status red Device is not connected to the PC."}));
    EXPECT_EQ(driver.Calls(), (Calls{"Load"}));
}

TEST_F(PodSessionTest, EnsureWithFailingConfigurationReports118AndForgetsTheLibrary)
{
    driver.FailCall("SetBaudRate");
    EXPECT_FALSE(report::EnsurePodSession(session, status));
    EXPECT_EQ(status.Events(), (Calls{"status red Failed to open USB port"}));
    EXPECT_EQ(session.state(), PodState::Absent);
    EXPECT_FALSE(session.libraryLoaded());
    EXPECT_FALSE(session.deviceFound());
    EXPECT_EQ(driver.OpenHandles(), 0);
    EXPECT_EQ(driver.Calls().back(), "Unload");
}

TEST_F(PodSessionTest, EnsureInReadyStateOpensWithoutProbing)
{
    session.ProbePod();
    driver.ClearCalls();
    EXPECT_TRUE(report::EnsurePodSession(session, status));
    EXPECT_EQ(driver.Calls(), kCommandConfiguration);
}

TEST_F(PodSessionTest, CloseKeepsLibraryAndFlags)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    driver.ClearCalls();
    session.ClosePodSession();
    EXPECT_EQ(driver.Calls(), (Calls{"Close"}));
    EXPECT_EQ(session.state(), PodState::Ready);
    EXPECT_TRUE(session.libraryLoaded());
    session.ClosePodSession(); // nothing left to close
    EXPECT_EQ(driver.Calls(), (Calls{"Close"}));
}

TEST_F(PodSessionTest, ReopenIsSilentAndOpensANewHandle)
{
    driver.devices = {};
    EXPECT_FALSE(session.ReopenPodSession());
    driver.devices = {"Quobin"};
    EXPECT_TRUE(session.ReopenPodSession());
    const FtHandle first = session.handle();
    session.ClosePodSession();
    EXPECT_TRUE(session.ReopenPodSession());
    EXPECT_NE(session.handle(), first);
    driver.FailCall("ResetDevice");
    session.ClosePodSession();
    EXPECT_FALSE(session.ReopenPodSession());
    EXPECT_EQ(session.state(), PodState::Absent);
}

TEST_F(PodSessionTest, OpeningAgainClosesTheHandleStillOpen)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    driver.ClearCalls();
    EXPECT_TRUE(session.ReopenPodSession());
    EXPECT_EQ(driver.Calls().front(), "Close");
    EXPECT_EQ(driver.OpenHandles(), 1);
}

TEST_F(PodSessionTest, BootConfigurationThenCommandConfigurationAgain)
{
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    session.ClosePodSession();
    driver.ClearCalls();
    ASSERT_TRUE(session.OpenPodBootSession());
    EXPECT_EQ(driver.Calls(), (Calls{"OpenByDescription Quobin", "ResetDevice", "SetLatencyTimer 2",
                                     "SetBaudRate 115200", "SetDataCharacteristics 8 0 2",
                                     "SetFlowControl 0 0 0", "SetTimeouts 1500 1500", "Purge 3"}));
    EXPECT_EQ(session.configuration(), PodConfiguration::Boot);
    session.ClosePodSession();
    driver.ClearCalls();
    ASSERT_TRUE(report::EnsurePodSession(session, status));
    EXPECT_EQ(driver.Calls(), kCommandConfiguration);
    EXPECT_EQ(session.configuration(), PodConfiguration::Command);
}

TEST_F(PodSessionTest, DestructionClosesAnOpenHandle)
{
    {
        PodSession other(driver, clock);
        ASSERT_TRUE(report::EnsurePodSession(other, status));
        EXPECT_EQ(driver.OpenHandles(), 1);
    }
    EXPECT_EQ(driver.OpenHandles(), 0);
}

} // namespace
} // namespace pod::test
