// Ctrl+C ends a watch of the built program through its normal path: the CSV holds its
// header and whole rows, whenever the signal comes.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t StartWatch(const std::string& csvPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(QUOBIN_CLI_PATH, QUOBIN_CLI_PATH, "--simulate", "--sim-wire", "real", "watch",
              "counter16", "sineWave:FLOAT", "--interval", "10", "--map", QUOBIN_DEMO_MAP,
              "--csv", csvPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

std::size_t LineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Header first, then rows of three fields, each ended by its newline.
void ExpectWholeRows(const std::string& csv)
{
    if (csv.empty()) return; // the signal came before the file was made
    ASSERT_EQ(csv.rfind("time_ms,counter16,sineWave:FLOAT\n", 0), 0u) << csv;
    ASSERT_EQ(csv.back(), '\n') << csv;
    std::size_t lineStart = 0;
    for (std::size_t at = csv.find('\n'); at != std::string::npos; at = csv.find('\n', at + 1)) {
        const std::string line = csv.substr(lineStart, at - lineStart);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 2) << line;
        lineStart = at + 1;
    }
}

TEST(WatchInterrupt, LeavesTheHeaderAndWholeRowsAtAnyMoment)
{
    for (std::size_t rowsBeforeSignal : {0u, 3u}) {
        support::TempDir dir;
        const pid_t pid = StartWatch(dir.Path("run.csv"));
        ASSERT_GT(pid, 0);
        int status = 0;
        bool ended = false;
        // Signal at once, or once the file holds the wanted rows (or the program ended).
        while (rowsBeforeSignal > 0 && LineCount(dir.Read("run.csv")) <= rowsBeforeSignal) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                ended = true;
                break;
            }
            sched_yield();
        }
        ASSERT_FALSE(ended) << "the watch ended by itself";
        kill(pid, SIGINT);
        waitpid(pid, &status, 0);
        if (rowsBeforeSignal > 0) {
            ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of through the watch";
            EXPECT_EQ(WEXITSTATUS(status), 0);
        }
        ExpectWholeRows(dir.Read("run.csv"));
    }
}

} // namespace
