// A stream that is no terminal gets plain lines, so that no escape sequence reaches a
// file or the null device.
#include "platform/LineRedraw.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct Case {
    const char* what;
    std::string path;
};

TEST(LineRedraw, AStreamThatIsNoTerminalGetsPlainLines)
{
    const support::TempDir dir;
    const Case cases[] = {
        {"a file", dir.Path("lines.txt")},
        // A character device, which a check for a character device would take for a
        // terminal.
        {"the null device", support::kNullDevice},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::FILE* stream = std::fopen(c.path.c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        const platform::LineRedraw redraw = platform::PrepareLineRedraw(stream);
        EXPECT_EQ(redraw.updates, platform::LineUpdates::kPlainLines);
        EXPECT_EQ(redraw.reason.code, platform::kNotATerminal);
        std::fclose(stream);
    }
}

} // namespace
