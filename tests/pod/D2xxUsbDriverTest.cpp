#include "pod/D2xxUsbDriver.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "tests/support/RecordingView.h"
#include "report/SessionReport.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace pod::test {
namespace {

// The emulator's D2XX library, reached a second time for its own controls: the
// emulator's options and the line settings the back end passed on.
class SimLibrary {
public:
    explicit SimLibrary(const char* options)
        : m_module(support::OpenLibrary(QUOBIN_SIM_D2XX_PATH))
    {
        if (m_module == nullptr) return;
        m_lineSettings =
            reinterpret_cast<const char* (*)(void*)>(support::FindSymbol(m_module, "QuobinSimD2xxLineSettings"));
        auto configure =
            reinterpret_cast<int (*)(const char*)>(support::FindSymbol(m_module, "QuobinSimD2xxConfigure"));
        m_ok = m_lineSettings != nullptr && configure != nullptr && configure(options) == 0;
    }
    ~SimLibrary()
    {
        if (m_module != nullptr) support::CloseLibrary(m_module);
    }
    bool ok() const { return m_ok; }
    std::string LineSettings(FtHandle handle) const { return m_lineSettings(handle); }

private:
    void* m_module;
    const char* (*m_lineSettings)(void*) = nullptr;
    bool m_ok = false;
};

TEST(D2xxUsbDriver, DrivesThePodThroughTheLoadedLibrary)
{
    SimLibrary sim("--sim-version 1.3");
    ASSERT_TRUE(sim.ok());
    D2xxUsbDriver driver(QUOBIN_SIM_D2XX_PATH);
    VirtualPodClock clock;
    PodSession session(driver, clock);
    support::RecordingView status;
    ASSERT_TRUE(report::EnsurePodSession(session, status)) << driver.LastError();
    EXPECT_TRUE(driver.IsLoaded());

    int major = 0;
    int minor = 0;
    ASSERT_TRUE(CmdGetVersion(session, major, minor)) << driver.LastError();
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 3);
    session.ClosePodSession();
    EXPECT_TRUE(status.Statuses().empty());
}

TEST(D2xxUsbDriver, PassesEveryArgumentToTheLibraryAndNamesTheFailingCall)
{
    SimLibrary sim("");
    ASSERT_TRUE(sim.ok());
    D2xxUsbDriver driver(QUOBIN_SIM_D2XX_PATH);
    ASSERT_TRUE(driver.Load());
    char serial[kDescriptionSize] = {};
    EXPECT_EQ(driver.ListDeviceSerial(0, serial), kFtOk);
    EXPECT_STREQ(serial, "QBSIM001");
    FtHandle handle = nullptr;
    ASSERT_EQ(driver.OpenByDescription("Quobin", &handle), kFtOk);
    EXPECT_EQ(driver.SetBaudRate(handle, 115200), kFtOk);
    EXPECT_EQ(driver.SetDataCharacteristics(handle, 7, 2, 1), kFtOk);
    EXPECT_EQ(driver.SetLatencyTimer(handle, 9), kFtOk);
    EXPECT_EQ(driver.SetFlowControl(handle, 0x100, 0x11, 0x13), kFtOk);
    EXPECT_EQ(driver.SetTimeouts(handle, 700, 300), kFtOk);
    EXPECT_EQ(sim.LineSettings(handle), "115200 7-2-1 latency 9 flow 256 timeouts 700/300");

    char byte = 0;
    std::uint32_t got = 7;
    EXPECT_EQ(driver.Read(handle, &byte, 1, &got), kFtOk);
    EXPECT_EQ(got, 0u) << "nothing waiting: the read returns at once";
    EXPECT_EQ(driver.Close(handle), kFtOk);
    EXPECT_EQ(driver.Close(handle), kFtInvalidHandle);
    EXPECT_NE(driver.LastError().find("FT_Close"), std::string::npos) << driver.LastError();
}

TEST(D2xxUsbDriver, FailuresNameTheStatusAndWhatToDo)
{
    SimLibrary sim("");
    ASSERT_TRUE(sim.ok());
    D2xxUsbDriver driver(QUOBIN_SIM_D2XX_PATH);
    ASSERT_TRUE(driver.Load());
    FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenByDescription("Other", &handle), kFtDeviceNotFound);
    EXPECT_EQ(driver.LastError(),
              "FT_OpenEx failed with status 2 (FT_DEVICE_NOT_FOUND). Check that the POD is "
              "plugged in; quobin-cli devices lists the devices the driver sees.");
    ASSERT_EQ(driver.OpenByDescription("Quobin", &handle), kFtOk);
    ASSERT_EQ(driver.Close(handle), kFtOk);
    EXPECT_EQ(driver.SetBaudRate(handle, 921600), kFtInvalidHandle);
    EXPECT_EQ(driver.LastError(), "FT_SetBaudRate failed with status 1 (FT_INVALID_HANDLE). The "
                                  "POD was closed or unplugged; plug it in again and retry.");
}

TEST(D2xxUsbDriver, AMissingFunctionFailsTheLoadAndIsNamed)
{
    D2xxUsbDriver driver(QUOBIN_SIM_D2XX_INCOMPLETE_PATH);
    EXPECT_FALSE(driver.Load());
    EXPECT_FALSE(driver.IsLoaded());
    EXPECT_NE(driver.LastError().find("FT_GetQueueStatus"), std::string::npos)
        << driver.LastError();
}

TEST(D2xxUsbDriver, AbsentLibraryFailsTheLoadAndCallsFailWithoutCrashing)
{
    D2xxUsbDriver driver("/nonexistent/libftd2xx.so");
    EXPECT_FALSE(driver.Load());
    EXPECT_NE(driver.LastError().find("/nonexistent/libftd2xx.so"), std::string::npos);
    std::uint32_t count = 5;
    EXPECT_EQ(driver.ListDeviceCount(&count), kFtOtherError);
    VirtualPodClock clock;
    PodSession session(driver, clock);
    support::RecordingView status;
    EXPECT_FALSE(report::EnsurePodSession(session, status));
    EXPECT_EQ(status.Statuses(), (std::vector<std::pair<std::string, bool>>{
                                     {"Device is not connected to the PC.", true}}));
}

TEST(D2xxUsbDriver, LoadsAgainAfterUnload)
{
    D2xxUsbDriver driver(QUOBIN_SIM_D2XX_PATH);
    ASSERT_TRUE(driver.Load());
    EXPECT_TRUE(driver.Load());
    driver.Unload();
    EXPECT_FALSE(driver.IsLoaded());
    EXPECT_TRUE(driver.Load());
    EXPECT_STREQ(D2xxUsbDriver::DefaultLibraryName(), "libftd2xx.so");
}

} // namespace
} // namespace pod::test
