// Two stations of a line writing to one store at once, as separate processes: every
// record arrives and no serial number is taken twice, in a SQLite file and on a
// PostgreSQL server the test starts itself. A station cut off from the server keeps its
// records in its spool until `records sync` sends them.
#include "tests/support/CliRunner.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <string>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using support::CliRun;
constexpr auto Cli = &support::RunCli;

// A station's shift: `runs` runs on four emulated PODs, one after the other, in a
// process of its own; its exit status is the first failing run's.
pid_t StartStation(const std::string& store, const std::string& station, int runs,
                   const std::string& spool)
{
    const pid_t pid = fork();
    if (pid == 0) {
        for (int i = 0; i < runs; ++i) {
            const pid_t run = fork();
            if (run == 0) {
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, STDOUT_FILENO);
                execl(QUOBIN_CLI_PATH, QUOBIN_CLI_PATH, "--simulate", "--sim-pods", "4", "program",
                      QUOBIN_DEMO_SFILE, "--all-pods", "--records", store.c_str(), "--spool",
                      spool.c_str(), "--station", station.c_str(), "--serialize", "0x1F00:2",
                      "--first", "1", static_cast<char*>(nullptr));
                _exit(127);
            }
            int status = 0;
            waitpid(run, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) _exit(WEXITSTATUS(status) | 64);
        }
        _exit(0);
    }
    return pid;
}

nlohmann::json Records(const std::string& store)
{
    const CliRun run = Cli({"records", "--records", store, "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? nlohmann::json::parse(run.out) : nlohmann::json::array();
}

void TwoStationsAtOnce(const std::string& store, const support::TempDir& dir)
{
    constexpr int kRuns = 10;
    const pid_t a = StartStation(store, "station-a", kRuns, dir.Path("spool-a.db"));
    const pid_t b = StartStation(store, "station-b", kRuns, dir.Path("spool-b.db"));
    for (const pid_t pid : {a, b}) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const nlohmann::json all = Records(store);
    ASSERT_EQ(all.size(), 2u * 4 * kRuns);
    std::set<std::uint64_t> numbers;
    std::map<std::string, int> perStation;
    for (const auto& r : all) {
        EXPECT_EQ(r["result"], "ok");
        numbers.insert(r["serial_number"].get<std::uint64_t>());
        ++perStation[r["station"].get<std::string>()];
    }
    EXPECT_EQ(numbers.size(), 2u * 4 * kRuns);
    EXPECT_EQ(*numbers.begin(), 1u);
    EXPECT_EQ(*numbers.rbegin(), 2u * 4 * kRuns);
    EXPECT_EQ(perStation["station-a"], 4 * kRuns);
    EXPECT_EQ(perStation["station-b"], 4 * kRuns);
}

TEST(LineRecords, TwoStationsShareASqliteFileWithoutLossOrRepeatedNumbers)
{
    support::TempDir dir;
    TwoStationsAtOnce(dir.Path("line.db"), dir);
}

TEST(LineRecords, TwoStationsShareAServerWithoutLossOrRepeatedNumbers)
{
    support::PostgresServer server;
    if (!server.problem().empty()) GTEST_SKIP() << server.problem();
    support::TempDir dir;
    TwoStationsAtOnce(server.Uri(), dir);
}

TEST(LineRecords, AStationCutOffFromTheServerSpoolsUntilSync)
{
    support::PostgresServer server;
    if (!server.problem().empty()) GTEST_SKIP() << server.problem();
    support::TempDir dir;
    const std::string spool = dir.Path("spool.db");
    server.Stop();
    const CliRun cut = Cli({"--simulate", "--sim-pods", "2", "program", QUOBIN_DEMO_SFILE,
                            "--all-pods", "--records", server.Uri(), "--spool", spool});
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_NE(cut.err.find("records go to the spool " + spool), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("2 records kept in the spool " + spool), std::string::npos) << cut.err;
    // Serial numbers cannot come from a spool: nothing is programmed.
    const CliRun numbered = Cli({"--simulate", "program", QUOBIN_DEMO_SFILE, "--records",
                                 server.Uri(), "--spool", spool, "--serialize", "0x1F00:2",
                                 "--first", "1"});
    EXPECT_EQ(numbered.status, 1);
    EXPECT_NE(numbered.err.find("serial numbers come from the server only"), std::string::npos);

    const CliRun down = Cli({"records", "--records", server.Uri(), "sync", "--spool", spool});
    EXPECT_EQ(down.status, 1);
    EXPECT_NE(down.err.find("; the spool keeps its records"), std::string::npos) << down.err;

    ASSERT_TRUE(server.Start());
    const CliRun sync = Cli({"records", "--records", server.Uri(), "sync", "--spool", spool});
    EXPECT_EQ(sync.status, 0) << sync.err;
    EXPECT_EQ(sync.err.rfind("quobin-cli: 2 records sent to postgresql:///postgres?host=", 0), 0u)
        << sync.err;
    EXPECT_EQ(Records(server.Uri()).size(), 2u);
    const CliRun again = Cli({"records", "--records", server.Uri(), "sync", "--spool", spool});
    EXPECT_EQ(again.err.rfind("quobin-cli: 0 records sent", 0), 0u) << again.err;
    EXPECT_EQ(Records(server.Uri()).size(), 2u);
}

} // namespace
