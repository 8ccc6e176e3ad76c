// Ctrl+C ends a watch of the built program through its normal path: the CSV holds its
// header and whole rows, whenever the signal comes.
#include "tests/support/CliRunner.h"
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

// Ctrl+C while the recorder waits for a trigger that never comes stops it, and the
// command ends with 130 and says so, the recorder kept idle in the kept state.
TEST(RecordInterrupt, StopsTheRecorderAndExits130)
{
    support::TempDir dir;
    const std::string state = dir.Path("state");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(QUOBIN_CLI_PATH, QUOBIN_CLI_PATH, "--simulate", "--sim-state", state.c_str(), "record", "triangle",
              "--trigger", "triangle:rising:5000", "--map", QUOBIN_DEMO_TYPED_MAP, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // Signal once it says it is armed.
    std::string err;
    char buffer[256];
    while (err.find("armed") == std::string::npos) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        err.append(buffer, static_cast<std::size_t>(n));
    }
    kill(pid, SIGINT);
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) err.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << err;
    EXPECT_NE(err.find("quobin-cli: interrupted; the recorder was stopped\n"), std::string::npos) << err;
    const auto after = support::RunCli(
        {"--simulate", "--sim-state", state, "read", "quobinRecorder.header.state", "--map", QUOBIN_DEMO_TYPED_MAP});
    EXPECT_EQ(after.out, "quobinRecorder.header.state = 0\n") << after.err;
}

} // namespace
