// Ctrl+C in the middle of a run on four PODs ends quobin-cli through its normal path:
// exit 130, every POD's JSON entry and log line written, the cut ones marked
// interrupted, and every POD's emulator state saved whole.
#include "sim/EmulatedPod.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t StartRun(const support::TempDir& dir, bool allPods)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(dir.Path("out.json").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(dir.Path("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execl(QUOBIN_CLI_PATH, QUOBIN_CLI_PATH, "--simulate", "--sim-pods", "4", "--sim-wire",
              "real", "--sim-state", dir.Path("state").c_str(), "--trace",
              dir.Path("run.trace").c_str(), "program", QUOBIN_DEMO_SFILE, "--json", "--log",
              dir.Path("run.log").c_str(), allPods ? "--all-pods" : "--serial=QBSIM002",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The smallest of the traces: every POD writes its own when there are several.
std::uintmax_t SmallestTrace(const support::TempDir& dir, bool allPods)
{
    std::uintmax_t smallest = UINTMAX_MAX;
    for (int i = 1; i <= (allPods ? 4 : 1); ++i) {
        std::error_code error;
        const std::string name = allPods ? "run-QBSIM00" + std::to_string(i) + ".trace" : "run.trace";
        const auto size = std::filesystem::file_size(dir.Path(name), error);
        smallest = std::min<std::uintmax_t>(smallest, error ? 0 : size);
    }
    return smallest;
}

// Sends `signal` once every POD has begun to write its flash (a whole run traces about
// 90 KB each); the exit status 130 of a run that ended through its normal path.
void InterruptWhileWriting(const support::TempDir& dir, bool allPods, int signal)
{
    const pid_t pid = StartRun(dir, allPods);
    ASSERT_GT(pid, 0);
    int status = 0;
    while (SmallestTrace(dir, allPods) < 16 * 1024) {
        ASSERT_NE(waitpid(pid, &status, WNOHANG), pid) << "the run ended before the signal";
        sched_yield();
    }
    kill(pid, signal);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of through the run";
    EXPECT_EQ(WEXITSTATUS(status), 130) << dir.Read("err.txt");
}

TEST(ProgramInterrupt, FourPodsCutByCtrlCAreEachReportedLoggedAndSaved)
{
    support::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(InterruptWhileWriting(dir, true, SIGINT));

    const nlohmann::json entries = nlohmann::json::parse(dir.Read("out.json"));
    ASSERT_EQ(entries.size(), 4u);
    int cut = 0;
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.dump());
        const bool interrupted = entry.at("interrupted").get<bool>();
        cut += interrupted ? 1 : 0;
        EXPECT_NE(entry.at("ok").get<bool>(), interrupted);
        if (interrupted) {
            EXPECT_LT(entry.at("words_sent").at("DFLASH").get<int>(), 16384);
        }
    }
    EXPECT_GT(cut, 0);
    EXPECT_NE(dir.Read("err.txt").find("quobin-cli: interrupted; " + std::to_string(4 - cut) +
                                       " of 4 PODs finished\n"),
              std::string::npos)
        << dir.Read("err.txt");

    std::ifstream log(dir.Path("run.log"));
    int lines = 0;
    int interruptedLines = 0;
    for (std::string line; std::getline(log, line); ++lines)
        interruptedLines += line.find("  INTERRUPTED  ") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(interruptedLines, cut);

    for (int i = 1; i <= 4; ++i) {
        sim::SimOptions options;
        options.stateDir = dir.Path("state/QBSIM00" + std::to_string(i));
        sim::EmulatedPod pod(options, 0);
        EXPECT_EQ(pod.LoadError(), "") << "QBSIM00" << i;
    }
}

TEST(ProgramInterrupt, OnePodCutByCtrlCExits130WithItsResult)
{
    support::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(InterruptWhileWriting(dir, false, SIGTERM));
    // A POD named by --serial gives a list of one.
    const nlohmann::json result = nlohmann::json::parse(dir.Read("out.json")).at(0);
    EXPECT_FALSE(result.at("ok").get<bool>());
    EXPECT_TRUE(result.at("interrupted").get<bool>());
    EXPECT_NE(dir.Read("run.log").find("  INTERRUPTED  "), std::string::npos);
}

} // namespace
