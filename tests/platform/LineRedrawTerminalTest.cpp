// On a terminal, lines are redrawn in place unless the terminal says it shows escape
// sequences as text (TERM=dumb). The terminal is a pseudo-terminal of the test's own.
#include "platform/LineRedraw.h"

#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

struct Case {
    const char* term; // null: no TERM at all
    platform::LineUpdates updates;
    int code;
};

// Puts TERM back as it was.
class TermScope {
public:
    TermScope()
    {
        if (const char* term = std::getenv("TERM")) m_saved = term;
    }
    ~TermScope()
    {
        if (m_saved)
            support::SetEnv("TERM", m_saved->c_str());
        else
            support::UnsetEnv("TERM");
    }

private:
    std::optional<std::string> m_saved;
};

TEST(LineRedrawTerminal, ATerminalRedrawsUnlessItIsDumb)
{
    const Case cases[] = {
        {"xterm-256color", platform::LineUpdates::kRedrawInPlace, 0},
        {nullptr, platform::LineUpdates::kRedrawInPlace, 0},
        {"dumb", platform::LineUpdates::kPlainLines, platform::kNotSupported},
    };
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    std::FILE* terminal = std::fopen(::ptsname(master), "wb");
    ASSERT_NE(terminal, nullptr);
    const TermScope keepTerm;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term != nullptr ? c.term : "no TERM");
        if (c.term != nullptr)
            support::SetEnv("TERM", c.term);
        else
            support::UnsetEnv("TERM");
        const platform::LineRedraw redraw = platform::PrepareLineRedraw(terminal);
        EXPECT_EQ(redraw.updates, c.updates);
        EXPECT_EQ(redraw.reason.code, c.code) << redraw.reason.text;
    }
    std::fclose(terminal);
    ::close(master);
}

} // namespace
