// Ctrl+C in the middle of a run on four PODs ends quobin-cli through its normal path:
// exit 130, every POD's JSON entry and log line written, the cut ones marked
// interrupted, and every POD's emulator state saved whole.
#include "records/SqliteStore.h"
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
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t StartRun(const support::TempDir& dir, bool allPods, const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {QUOBIN_CLI_PATH, "--simulate", "--sim-pods", "4",
                                     "--sim-wire", "real", "--sim-state", dir.Path("state"),
                                     "--trace", dir.Path("run.trace"), "program",
                                     QUOBIN_DEMO_SFILE, "--json", "--log", dir.Path("run.log"),
                                     allPods ? "--all-pods" : "--serial=QBSIM002"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(dir.Path("out.json").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(dir.Path("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(QUOBIN_CLI_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

// The smallest of the traces of the PODs watched: every POD writes its own when there
// are several.
std::uintmax_t SmallestTrace(const support::TempDir& dir, bool allPods, const std::string& skip)
{
    std::uintmax_t smallest = UINTMAX_MAX;
    for (int i = 1; i <= (allPods ? 4 : 1); ++i) {
        std::error_code error;
        const std::string serial = "QBSIM00" + std::to_string(i);
        if (serial == skip) continue;
        const std::string name = allPods ? "run-" + serial + ".trace" : "run.trace";
        const auto size = std::filesystem::file_size(dir.Path(name), error);
        smallest = std::min<std::uintmax_t>(smallest, error ? 0 : size);
    }
    return smallest;
}

// Sends `signal` once every POD (but `skip`) has begun to write its flash (a whole run
// traces about 90 KB each); the exit status 130 of a run that ended through its normal
// path.
void InterruptWhileWriting(const support::TempDir& dir, bool allPods, int signal,
                           const std::vector<std::string>& extra = {}, const std::string& skip = {})
{
    const pid_t pid = StartRun(dir, allPods, extra);
    ASSERT_GT(pid, 0);
    int status = 0;
    while (SmallestTrace(dir, allPods, skip) < 16 * 1024) {
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

// A line's worst minute: one POD unplugged, then Ctrl+C. Every unit still has its record:
// the unplugged one failed, the cut ones interrupted, the rest ok.
TEST(ProgramInterrupt, FourPodsOneUnpluggedThenCtrlCLeaveFourRecords)
{
    support::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(InterruptWhileWriting(
        dir, true, SIGINT,
        {"--sim-fault", "QBSIM002/0x26:1:unplug", "--records", dir.Path("line.db"), "--unit",
         "QBSIM001=U1", "--unit", "QBSIM002=U2", "--unit", "QBSIM003=U3", "--unit", "QBSIM004=U4"},
        "QBSIM002"));
    std::string error;
    auto store = records::SqliteStore::Open(dir.Path("line.db"), error);
    ASSERT_TRUE(store) << error;
    const auto found = store->Find({}, error);
    ASSERT_EQ(found.size(), 4u);
    int cut = 0;
    for (const records::ProductionRecord& r : found) {
        SCOPED_TRACE(r.podSerial);
        EXPECT_EQ(r.unitId, "U" + r.podSerial.substr(7));
        if (r.podSerial == "QBSIM002") {
            EXPECT_EQ(r.result, "failed");
            EXPECT_FALSE(r.interrupted);
            EXPECT_NE(r.reason.find("connection to the POD was lost"), std::string::npos) << r.reason;
            continue;
        }
        EXPECT_EQ(r.interrupted, r.result == "interrupted");
        EXPECT_NE(r.result, "failed");
        cut += r.interrupted ? 1 : 0;
        if (r.interrupted) {
            EXPECT_LT(r.regions[0].wordsProgrammed, r.regions[0].imageWords);
        }
    }
    EXPECT_GT(cut, 0);
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
