#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using Status = std::uint32_t;

// The vendor library's C interface, resolved by name as the run-time back end does.
struct D2xx {
    void* module = nullptr;
    Status (*listDevices)(void*, void*, std::uint32_t) = nullptr;
    Status (*openEx)(void*, std::uint32_t, void**) = nullptr;
    Status (*resetDevice)(void*) = nullptr;
    Status (*setLatencyTimer)(void*, unsigned char) = nullptr;
    Status (*setBaudRate)(void*, std::uint32_t) = nullptr;
    Status (*setDataCharacteristics)(void*, unsigned char, unsigned char, unsigned char) = nullptr;
    Status (*purge)(void*, std::uint32_t) = nullptr;
    Status (*write)(void*, void*, std::uint32_t, std::uint32_t*) = nullptr;
    Status (*getStatus)(void*, std::uint32_t*, std::uint32_t*, std::uint32_t*) = nullptr;
    Status (*read)(void*, void*, std::uint32_t, std::uint32_t*) = nullptr;
    Status (*getQueueStatus)(void*, std::uint32_t*) = nullptr;
    Status (*close)(void*) = nullptr;
    int (*configure)(const char*) = nullptr;

    template <typename F> void Bind(F& f, const char* name)
    {
        f = reinterpret_cast<F>(support::FindSymbol(module, name));
        ASSERT_NE(f, nullptr) << name;
    }
};

class SimD2xx : public ::testing::Test {
protected:
    void SetUp() override
    {
        d.module = support::OpenLibrary(QUOBIN_SIM_D2XX_PATH);
        ASSERT_NE(d.module, nullptr) << support::LibraryError();
        d.Bind(d.listDevices, "FT_ListDevices");
        d.Bind(d.openEx, "FT_OpenEx");
        d.Bind(d.resetDevice, "FT_ResetDevice");
        d.Bind(d.setLatencyTimer, "FT_SetLatencyTimer");
        d.Bind(d.setBaudRate, "FT_SetBaudRate");
        d.Bind(d.setDataCharacteristics, "FT_SetDataCharacteristics");
        d.Bind(d.purge, "FT_Purge");
        d.Bind(d.write, "FT_Write");
        d.Bind(d.getStatus, "FT_GetStatus");
        d.Bind(d.read, "FT_Read");
        d.Bind(d.getQueueStatus, "FT_GetQueueStatus");
        d.Bind(d.close, "FT_Close");
        d.Bind(d.configure, "QuobinSimD2xxConfigure");
        for (const char* name : {"FT_SetFlowControl", "FT_SetTimeouts"}) {
            EXPECT_NE(support::FindSymbol(d.module, name), nullptr) << name;
        }
    }
    void TearDown() override
    {
        if (d.module != nullptr) {
            support::CloseLibrary(d.module);
        }
    }

    std::string Exchange(void* handle, const std::string& frame, std::size_t replyLength)
    {
        std::uint32_t written = 0;
        EXPECT_EQ(d.write(handle, const_cast<char*>(frame.data()),
                          static_cast<std::uint32_t>(frame.size()), &written),
                  0u);
        std::string reply;
        for (int polls = 0; polls < 100000 && reply.size() < replyLength; ++polls) {
            char c = 0;
            std::uint32_t got = 0;
            EXPECT_EQ(d.read(handle, &c, 1, &got), 0u);
            if (got == 1) {
                reply.push_back(c);
            }
        }
        return reply;
    }

    void* OpenPod()
    {
        void* handle = nullptr;
        EXPECT_EQ(d.openEx(const_cast<char*>("Quobin"), 2, &handle), 0u);
        EXPECT_EQ(d.resetDevice(handle), 0u);
        EXPECT_EQ(d.setLatencyTimer(handle, 2), 0u);
        EXPECT_EQ(d.setBaudRate(handle, 921600), 0u);
        EXPECT_EQ(d.setDataCharacteristics(handle, 8, 0, 0), 0u);
        EXPECT_EQ(d.purge(handle, 3), 0u);
        return handle;
    }

    D2xx d;
};

TEST_F(SimD2xx, ListsOpensAndAnswersLikeTheVendorLibrary)
{
    ASSERT_EQ(d.configure("--sim-device Quobin2"), 0);
    std::uint32_t count = 0;
    ASSERT_EQ(d.listDevices(&count, nullptr, 0x80000000u), 0u);
    EXPECT_EQ(count, 2u);
    char description[64];
    std::memset(description, 0x55, sizeof description);
    ASSERT_EQ(d.listDevices(reinterpret_cast<void*>(std::uintptr_t{1}), description, 0x40000002u),
              0u);
    EXPECT_STREQ(description, "Quobin2");
    ASSERT_EQ(d.listDevices(reinterpret_cast<void*>(std::uintptr_t{0}), description, 0x40000002u),
              0u);
    EXPECT_STREQ(description, "Quobin");
    char serial[16];
    ASSERT_EQ(d.listDevices(reinterpret_cast<void*>(std::uintptr_t{0}), serial, 0x40000001u), 0u);
    EXPECT_STREQ(serial, "QBSIM001");

    void* handle = OpenPod();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(Exchange(handle, ":0161\r", 8), ":0111C3\r");
    std::uint32_t rx = 9;
    std::uint32_t tx = 9;
    std::uint32_t events = 9;
    EXPECT_EQ(d.getStatus(handle, &rx, &tx, &events), 0u);
    EXPECT_EQ(rx, 0u);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(d.close(handle), 0u);
    EXPECT_NE(d.close(handle), 0u);
}

TEST_F(SimD2xx, OptionsReachTheEmulator)
{
    ASSERT_EQ(d.configure("--sim-version 2.3 --sim-fault 0x01:2:silent"), 0);
    void* handle = OpenPod();
    EXPECT_EQ(Exchange(handle, ":0161\r", 8).substr(0, 5), ":0123");
    EXPECT_EQ(Exchange(handle, ":0161\r", 8), "");
    d.close(handle);
    EXPECT_NE(d.configure("--sim-version 2"), 0);
    EXPECT_NE(d.configure("sim-boot"), 0);
}

} // namespace
