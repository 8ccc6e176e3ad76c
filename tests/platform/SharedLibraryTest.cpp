// Loading a library at run time, on the emulator's D2XX library (complete, and once more
// without FT_GetQueueStatus): every failure names what failed, and closing is safe.
#include "platform/SharedLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* what;
    const char* path;
    const char* symbol;
    bool opens;
    bool finds;
    std::string named; // in the failure's text
};

TEST(SharedLibrary, FailuresNameTheLibraryOrTheSymbol)
{
    const Case cases[] = {
        {"a file that is not there", "/nonexistent/libquobin-none.so", "FT_Open", false, false,
         "/nonexistent/libquobin-none.so"},
        {"a library without the symbol", QUOBIN_SIM_D2XX_INCOMPLETE_PATH, "FT_GetQueueStatus", true,
         false, "FT_GetQueueStatus"},
        {"a symbol no library has", QUOBIN_SIM_D2XX_PATH, "QuobinNoSuchFunction", true, false,
         "QuobinNoSuchFunction"},
        {"the library and its symbol", QUOBIN_SIM_D2XX_PATH, "FT_GetQueueStatus", true, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::SharedLibrary library;
        const platform::SystemError opened = library.Open(c.path);
        EXPECT_EQ(!opened, c.opens) << opened.text;
        EXPECT_EQ(library.IsOpen(), c.opens);
        void* address = reinterpret_cast<void*>(1);
        const platform::SystemError found = library.Find(c.symbol, address);
        EXPECT_EQ(!found, c.finds) << found.text;
        EXPECT_EQ(address != nullptr, c.finds);
        const platform::SystemError& failure = c.opens ? found : opened;
        if (!c.named.empty()) {
            EXPECT_NE(failure.code, 0);
            EXPECT_NE(failure.text.find(c.named), std::string::npos) << failure.text;
        }
    }
}

TEST(SharedLibrary, ClosingTwiceOrAfterAMoveIsHarmless)
{
    platform::SharedLibrary library;
    ASSERT_FALSE(library.Open(QUOBIN_SIM_D2XX_PATH));
    platform::SharedLibrary moved(std::move(library));
    EXPECT_FALSE(library.IsOpen());
    library.Close();
    void* address = nullptr;
    EXPECT_FALSE(moved.Find("FT_Close", address));
    moved.Close();
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    const platform::SystemError closed = moved.Find("FT_Close", address);
    EXPECT_TRUE(closed);
    EXPECT_NE(closed.text.find("FT_Close"), std::string::npos) << closed.text;
}

} // namespace
