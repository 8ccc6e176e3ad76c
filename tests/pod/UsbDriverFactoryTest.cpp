#include "pod/UsbDriverFactory.h"
#include "pod/D2xxUsbDriver.h"
#include "pod/FtdiUsbDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
    const std::string probed = DefaultDriverKind();
    EXPECT_TRUE(probed == "d2xx" || probed == "ftdi") << probed;
    unsetenv("QUOBIN_DRIVER");
    EXPECT_EQ(DefaultDriverKind(), probed);
}

} // namespace
} // namespace pod
