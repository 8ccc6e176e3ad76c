#include "pod/UsbDriverFactory.h"
#include "pod/D2xxUsbDriver.h"
#include "pod/FtdiUsbDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <dlfcn.h>

namespace pod {
namespace {

TEST(UsbDriverFactory, CreatesTheNamedBackEndAndNothingForOtherNames)
{
    EXPECT_NE(dynamic_cast<FtdiUsbDriver*>(CreateUsbDriver("ftdi").get()), nullptr);
    EXPECT_NE(dynamic_cast<D2xxUsbDriver*>(CreateUsbDriver("d2xx").get()), nullptr);
    EXPECT_EQ(CreateUsbDriver("sim"), nullptr);
    EXPECT_EQ(CreateUsbDriver("FTDI"), nullptr);
    auto fallback = CreateUsbDriver("");
    ASSERT_NE(fallback, nullptr);
    EXPECT_FALSE(fallback->IsLoaded());
}

TEST(UsbDriverFactory, DefaultKindComesFromTheEnvironmentElseFromProbing)
{
    setenv("QUOBIN_DRIVER", "sim", 1);
    EXPECT_EQ(DefaultDriverKind(), "sim");
    setenv("QUOBIN_DRIVER", "", 1);
    // The vendor's library is chosen when the system has one, libftdi1 otherwise.
    void* vendor = dlopen(D2xxUsbDriver::DefaultLibraryName(), RTLD_NOW | RTLD_LOCAL);
    const std::string expected = vendor != nullptr ? "d2xx" : "ftdi";
    if (vendor != nullptr) dlclose(vendor);
    EXPECT_EQ(DefaultDriverKind(), expected);
    unsetenv("QUOBIN_DRIVER");
    EXPECT_EQ(DefaultDriverKind(), expected);
}

} // namespace
} // namespace pod
