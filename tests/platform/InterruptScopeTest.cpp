// Ctrl+C and SIGTERM reach the program's handler instead of ending it, and a second one
// soon after the first ends it at once with 130: each case runs in a child process,
// which reports how often its handler ran through its exit status.
#include "platform/Interrupt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<int> g_calls{0};

void CountCall()
{
    ++g_calls;
}

struct Case {
    std::vector<int> signals;
    unsigned secondExitMs;
    int exitStatus; // the handler's call count, or 130 when the program was ended
};

TEST(InterruptScope, HandlerHearsEachSignalAndASecondWithinTheWindowEndsTheProgram)
{
    const Case cases[] = {
        {{SIGINT}, 2000, 1},
        {{SIGTERM}, 2000, 1},
        {{SIGINT, SIGTERM}, 2000, 130},
        {{SIGINT, SIGINT}, 0, 2}, // no window: every interrupt goes to the handler
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.signals.size() << " signals, window " << c.secondExitMs);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            {
                platform::InterruptScope scope(CountCall, c.secondExitMs);
                for (int signal : c.signals)
                    raise(signal);
            }
            _exit(g_calls.load());
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(WEXITSTATUS(status), c.exitStatus);
    }
}

TEST(InterruptScope, LeavingTheScopeGivesTheSignalsBackTheirFormerMeaning)
{
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        { platform::InterruptScope scope(CountCall, 2000); }
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

} // namespace
