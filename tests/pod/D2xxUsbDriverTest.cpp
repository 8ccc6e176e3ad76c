#include "pod/D2xxUsbDriver.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "tests/pod/RecordingStatusSink.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

namespace pod::test {
namespace {

// Reaches the fake library's own controls through a second reference to it.
class FakeLibrary {
public:
    FakeLibrary() : m_module(dlopen(FAKE_FTD2XX_PATH, RTLD_NOW | RTLD_LOCAL))
    {
        if (m_module) {
            m_setReply =
                reinterpret_cast<void (*)(const char*)>(dlsym(m_module, "FakeFtd2xxSetReply"));
            m_log = reinterpret_cast<const char* (*)()>(dlsym(m_module, "FakeFtd2xxLog"));
            m_reset = reinterpret_cast<void (*)()>(dlsym(m_module, "FakeFtd2xxReset"));
            m_reset();
        }
    }
    ~FakeLibrary()
    {
        if (m_module) dlclose(m_module);
    }
    bool ok() const { return m_module && m_setReply && m_log && m_reset; }
    void SetReply(const char* reply) { m_setReply(reply); }
    std::string Log() { return m_log(); }

private:
    void* m_module;
    void (*m_setReply)(const char*) = nullptr;
    const char* (*m_log)() = nullptr;
    void (*m_reset)() = nullptr;
};

TEST(D2xxUsbDriver, DrivesThePodThroughTheLoadedLibrary)
{
    FakeLibrary fake;
    ASSERT_TRUE(fake.ok());
    D2xxUsbDriver driver(FAKE_FTD2XX_PATH);
    VirtualPodClock clock;
    PodSession session(driver, clock);
    RecordingStatusSink status;
    ASSERT_TRUE(session.EnsurePodSession(status)) << driver.LastError();
    EXPECT_TRUE(driver.IsLoaded());

    fake.SetReply(":01130F\r");
    int major = 0;
    int minor = 0;
    ASSERT_TRUE(CmdGetVersion(session, major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 3);
    session.ClosePodSession();

    EXPECT_EQ(fake.Log(), "ListDevices count\n"
                          "ListDevices 0 1073741826\n"
                          "OpenEx Quobin 2\n"
                          "ResetDevice\n"
                          "SetLatencyTimer 2\n"
                          "SetBaudRate 921600\n"
                          "SetDataCharacteristics 8 0 0\n"
                          "SetFlowControl 0 0 0\n"
                          "SetTimeouts 1500 1500\n"
                          "Purge 3\n"
                          "Write :0161\r\n"
                          "Close\n");
}

TEST(D2xxUsbDriver, ReadReturnsAtOnceWithNothingWaitingAndListsSerials)
{
    FakeLibrary fake;
    ASSERT_TRUE(fake.ok());
    D2xxUsbDriver driver(FAKE_FTD2XX_PATH);
    ASSERT_TRUE(driver.Load());
    FtHandle handle = nullptr;
    ASSERT_EQ(driver.OpenByDescription("Quobin", &handle), kFtOk);
    char byte = 0;
    std::uint32_t got = 7;
    EXPECT_EQ(driver.Read(handle, &byte, 1, &got), kFtOk);
    EXPECT_EQ(got, 0u);
    char serial[kDescriptionSize] = {};
    EXPECT_EQ(driver.ListDeviceSerial(0, serial), kFtOk);
    EXPECT_STREQ(serial, "QB000001");
    EXPECT_EQ(driver.Close(handle), kFtOk);
    EXPECT_NE(driver.Close(handle), kFtOk);
    EXPECT_NE(driver.LastError().find("FT_Close"), std::string::npos);
}

TEST(D2xxUsbDriver, FailuresNameTheStatusAndWhatToDo)
{
    FakeLibrary fake;
    ASSERT_TRUE(fake.ok());
    D2xxUsbDriver driver(FAKE_FTD2XX_PATH);
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
    D2xxUsbDriver driver(FAKE_FTD2XX_INCOMPLETE_PATH);
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
    RecordingStatusSink status;
    EXPECT_FALSE(session.EnsurePodSession(status));
    ASSERT_EQ(status.lines.size(), 1u);
    EXPECT_EQ(status.lines[0].first, "Device is not connected to the PC.");
}

TEST(D2xxUsbDriver, LoadsAgainAfterUnload)
{
    D2xxUsbDriver driver(FAKE_FTD2XX_PATH);
    ASSERT_TRUE(driver.Load());
    EXPECT_TRUE(driver.Load());
    driver.Unload();
    EXPECT_FALSE(driver.IsLoaded());
    EXPECT_TRUE(driver.Load());
    EXPECT_STREQ(D2xxUsbDriver::DefaultLibraryName(), "libftd2xx.so");
}

} // namespace
} // namespace pod::test
