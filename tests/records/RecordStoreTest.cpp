// The stores under one set of cases: a record reads back field for field from SQLite and
// from a PostgreSQL server of the test's own; the queries select what they say; serial
// numbers never repeat; the spool keeps what the server cannot take and gives it up
// once the server has it.
#include "records/OpenStore.h"
#include "records/RecordSql.h"
#include "records/RunId.h"
#include "records/SpooledStore.h"
#include "records/SqliteStore.h"
#include "tests/support/TempDir.h"

#ifdef QUOBIN_HAVE_POSTGRES
#include "records/PostgresStore.h"
#include "tests/support/PostgresServer.h"
#endif

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace {

using records::ProductionRecord;
using records::RecordFilter;

ProductionRecord Record(const std::string& unit, const std::string& started, const std::string& result,
                        const std::string& station = "st1")
{
    ProductionRecord r;
    r.runId = records::NewRunId();
    r.batchId = "batch";
    r.station = station;
    r.operatorName = "ann";
    r.unitId = unit;
    r.podSerial = "QBSIM001";
    r.part = "MC56F8367";
    r.sFile = "demo.s";
    r.sFileSha256 = std::string(64, 'a');
    r.regions[0] = {true, 16384, 16384, 0x3EDA479Au};
    r.regions[2] = {true, 100, 7938, std::nullopt};
    r.mode = "target write & verify";
    r.result = result;
    r.interrupted = result == "interrupted";
    r.message = "Success";
    r.startedUtc = started;
    r.endedUtc = started;
    r.elapsedMs = 1234;
    r.toolVersion = "1.3";
    r.emulated = true;
    return r;
}

void ExpectSame(const ProductionRecord& a, const ProductionRecord& b)
{
    EXPECT_EQ(records::RowOf(a), records::RowOf(b));
}

// Each store the cases run on, made fresh per test.
class Stores : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::string error;
        if (GetParam() == "sqlite") {
            m_store = records::SqliteStore::Open(m_dir.Path("line.db"), error);
        } else {
#ifdef QUOBIN_HAVE_POSTGRES
            m_server = std::make_unique<support::PostgresServer>();
            if (!m_server->problem().empty()) GTEST_SKIP() << m_server->problem();
            m_store = records::PostgresStore::Open(m_server->Uri(), error);
#else
            GTEST_SKIP() << "this build has no PostgreSQL client";
#endif
        }
        ASSERT_TRUE(m_store) << error;
    }

    support::TempDir m_dir;
#ifdef QUOBIN_HAVE_POSTGRES
    std::unique_ptr<support::PostgresServer> m_server;
#endif
    std::unique_ptr<records::RecordStore> m_store;
};

TEST_P(Stores, ARecordReadsBackFieldForField)
{
    ProductionRecord full = Record("U-1", "2026-12-08T07:00:00.000Z", "ok");
    full.serialNumber = 0xFFFFFFFFFFull; // beyond 32 bits
    full.reason = "it said \"no\", twice\nand é";
    full.attempt = 3;
    ProductionRecord bare = Record("", "2026-12-08T07:00:01.000Z", "failed");
    bare.regions = {}; // nothing ticked: the region columns are null
    bare.sFileSha256.clear();
    for (const ProductionRecord& r : {full, bare})
        ASSERT_EQ(m_store->Write(r), "");
    std::string error;
    const auto found = m_store->Find({}, error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(found.size(), 2u);
    ExpectSame(found[0], full);
    ExpectSame(found[1], bare);
    EXPECT_FALSE(found[1].regions[0].ticked);
    EXPECT_EQ(found[0].regions[2].crc32, std::nullopt);
}

TEST_P(Stores, TheSameRunWrittenTwiceIsKeptOnce)
{
    const ProductionRecord r = Record("U-1", "2026-12-08T07:00:00.000Z", "ok");
    ASSERT_EQ(m_store->Write(r), "");
    ProductionRecord again = r;
    again.result = "failed";
    ASSERT_EQ(m_store->Write(again), "");
    std::string error;
    const auto found = m_store->Find({}, error);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].result, "ok");
}

TEST_P(Stores, QueriesSelectWhatTheySay)
{
    const std::vector<ProductionRecord> written = {
        Record("A", "2026-12-07T23:59:59.999Z", "failed"),
        Record("A", "2026-12-08T08:00:00.000Z", "ok"),
        Record("B", "2026-12-08T09:00:00.000Z", "interrupted", "st2"),
        Record("C", "2026-12-08T10:00:00.000Z", "failed"),
        Record("C", "2026-12-08T07:00:00.000Z", "ok"),
    };
    for (const ProductionRecord& r : written)
        ASSERT_EQ(m_store->Write(r), "");
    struct Case {
        const char* name;
        RecordFilter filter;
        std::vector<std::size_t> expected; // indexes into written, in the order found
    };
    const Case cases[] = {
        {"all, oldest first", {}, {0, 4, 1, 2, 3}},
        {"one unit", {"A", {}, {}, false, false}, {0, 1}},
        {"since a day", {{}, "2026-12-08", {}, false, false}, {4, 1, 2, 3}},
        {"since a minute", {{}, "2026-12-08T09:00", {}, false, false}, {2, 3}},
        {"one station", {{}, {}, "st2", false, false}, {2}},
        {"failed and interrupted", {{}, {}, {}, true, false}, {0, 2, 3}},
        {"units whose last run failed", {{}, {}, {}, true, true}, {2, 3}},
        {"last per unit", {{}, {}, {}, false, true}, {1, 2, 3}},
        {"nothing matches", {"Z", {}, {}, false, false}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const auto found = m_store->Find(c.filter, error);
        ASSERT_EQ(error, "");
        std::vector<std::string> ids;
        for (const ProductionRecord& r : found)
            ids.push_back(r.runId);
        std::vector<std::string> expected;
        for (std::size_t i : c.expected)
            expected.push_back(written[i].runId);
        EXPECT_EQ(ids, expected);
    }
}

TEST_P(Stores, SerialNumbersContinueAndJumpToAHigherFirst)
{
    struct Take {
        const char* series;
        std::uint64_t first;
        std::uint64_t count;
        std::uint64_t expected;
    };
    const Take takes[] = {
        {"0x001F00:2", 1000, 4, 1000}, // a new series starts at --first
        {"0x001F00:2", 1000, 4, 1004}, // and goes on from where it stands
        {"0x001F00:2", 5, 1, 1008},    // a lower --first does not go back
        {"0x001F00:2", 2000, 2, 2000}, // a higher one jumps ahead
        {"0x002000:1", 1, 1, 1},       // another place has its own series
        {"0x001F00:2", 0, 1, 2002},
    };
    for (const Take& t : takes) {
        SCOPED_TRACE(std::string(t.series) + " from " + std::to_string(t.first));
        std::string error;
        EXPECT_EQ(m_store->TakeSerialNumbers(t.series, t.first, t.count, error), t.expected) << error;
    }
}

TEST_P(Stores, FourWorkersTakingNumbersAtOnceNeverShareOne)
{
    std::vector<std::uint64_t> taken[4];
    std::vector<std::jthread> workers;
    for (auto& mine : taken)
        workers.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                std::string error;
                if (auto n = m_store->TakeSerialNumbers("s", 1, 2, error)) {
                    mine.push_back(*n);
                    mine.push_back(*n + 1);
                }
            }
        });
    workers.clear();
    std::set<std::uint64_t> all;
    for (const auto& mine : taken)
        all.insert(mine.begin(), mine.end());
    EXPECT_EQ(all.size(), 200u);
    EXPECT_EQ(*all.begin(), 1u);
    EXPECT_EQ(*all.rbegin(), 200u);
}

INSTANTIATE_TEST_SUITE_P(Records, Stores, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

#ifndef _WIN32
// A station killed while it writes (power switch, kill -9): every record in the file is
// whole. Each record spans many pages, so a write cut short would show.
TEST(SqliteStore, KilledWhileWritingLeavesOnlyWholeRecords)
{
    support::TempDir dir;
    const std::string path = dir.Path("line.db");
    ProductionRecord big = Record("U", "2026-12-08T07:00:00.000Z", "failed");
    big.reason = std::string(100000, 'r');
    int written[2];
    ASSERT_EQ(pipe(written), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(written[0]);
        std::string error;
        auto store = records::SqliteStore::Open(path, error);
        for (int i = 0; store; ++i) {
            ProductionRecord r = big;
            r.runId = records::NewRunId();
            r.attempt = i;
            if (!store->Write(r).empty() || write(written[1], "w", 1) != 1) break;
        }
        _exit(1);
    }
    close(written[1]);
    // Killed in the middle of its 21st record or so: the 20 before are committed.
    char byte = 0;
    int committed = 0;
    while (committed < 20 && read(written[0], &byte, 1) == 1)
        ++committed;
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(written[0]);
    ASSERT_EQ(committed, 20);

    std::string error;
    auto store = records::SqliteStore::Open(path, error);
    ASSERT_TRUE(store) << error;
    const auto found = store->Find({}, error);
    ASSERT_EQ(error, "");
    ASSERT_GE(found.size(), 20u);
    for (const ProductionRecord& r : found) {
        ProductionRecord expected = big;
        expected.runId = r.runId;
        expected.attempt = r.attempt;
        ExpectSame(r, expected);
    }
}
#endif

TEST(SqliteStore, AFileThatCannotBeOpenedSaysWhy)
{
    support::TempDir dir;
    std::string error;
    EXPECT_FALSE(records::SqliteStore::Open(dir.Path("no/such/folder/line.db"), error));
    EXPECT_EQ(error.rfind("cannot open " + dir.Path("no/such/folder/line.db") + ": ", 0), 0u) << error;
    dir.Write("text.db", "this is not a database, and it is long enough to be read as one\n");
    EXPECT_FALSE(records::SqliteStore::Open(dir.Path("text.db"), error));
    EXPECT_NE(error.find("not a database"), std::string::npos) << error;
}

// A server that cannot be reached: every record goes to the spool, the user is told once
// where, numbers are refused with the reason, and a sync sends them on exactly once.
TEST(SpooledStore, KeepsWhatTheServerCannotTakeAndSyncSendsItOnce)
{
    support::TempDir dir;
    records::SpooledStore spooled(
        [](std::string& error) -> std::unique_ptr<records::RecordStore> {
            error = "cannot reach postgresql://db/line: connection refused";
            return nullptr;
        },
        dir.Path("spool.db"));
    EXPECT_EQ(spooled.serverError(), "cannot reach postgresql://db/line: connection refused");
    const ProductionRecord a = Record("A", "2026-12-08T07:00:00.000Z", "ok");
    const ProductionRecord b = Record("B", "2026-12-08T07:00:01.000Z", "failed");
    ASSERT_EQ(spooled.Write(a), "");
    ASSERT_EQ(spooled.Write(b), "");
    EXPECT_EQ(spooled.TakeNotes(),
              std::vector<std::string>{"2 records kept in the spool " + dir.Path("spool.db") +
                                       " (cannot reach postgresql://db/line: connection refused); "
                                       "send them with: quobin-cli records sync"});
    EXPECT_TRUE(spooled.TakeNotes().empty());
    std::string error;
    EXPECT_FALSE(spooled.TakeSerialNumbers("s", 1, 1, error));
    EXPECT_EQ(error, "serial numbers come from the server only, so that no two stations take the "
                     "same one: cannot reach postgresql://db/line: connection refused");

    auto spool = records::SqliteStore::Open(dir.Path("spool.db"), error);
    auto server = records::SqliteStore::Open(dir.Path("server.db"), error);
    ASSERT_TRUE(spool && server) << error;
    // The server has one of them already (a sync cut after its write, before the removal).
    ASSERT_EQ(server->Write(a), "");
    const records::SyncOutcome first = records::SyncSpool(*spool, *server);
    EXPECT_EQ(first.sent, 2);
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(server->Find({}, error).size(), 2u);
    EXPECT_TRUE(spool->Find({}, error).empty());
    EXPECT_EQ(records::SyncSpool(*spool, *server).sent, 0);
}

TEST(SpooledStore, NeitherServerNorSpoolIsAnError)
{
    support::TempDir dir;
    records::SpooledStore spooled(
        [](std::string& error) -> std::unique_ptr<records::RecordStore> {
            error = "cannot reach it";
            return nullptr;
        },
        dir.Path("missing/spool.db"));
    const std::string error = spooled.Write(Record("A", "2026-12-08T07:00:00.000Z", "ok"));
    EXPECT_EQ(error.rfind("cannot reach it; and cannot open " + dir.Path("missing/spool.db"), 0), 0u)
        << error;
}

TEST(RecordStores, AddressesAndIds)
{
    EXPECT_TRUE(records::IsServerAddress("postgresql://db/line"));
    EXPECT_TRUE(records::IsServerAddress("postgres://db/line"));
    EXPECT_FALSE(records::IsServerAddress("line.db"));
    EXPECT_FALSE(records::IsServerAddress("postgresql.db"));
#ifdef QUOBIN_HAVE_POSTGRES
    const std::pair<const char*, const char*> hidden[] = {
        {"postgresql://ann:secret@db/line", "postgresql://ann:***@db/line"},
        {"postgres://ann@db/line", "postgres://ann@db/line"},
        {"host=db password=secret dbname=line", "host=db password=*** dbname=line"},
        {"password='a b' host=db", "password=*** host=db"},
    };
    for (const auto& [uri, shown] : hidden)
        EXPECT_EQ(records::WithoutPassword(uri), shown);
#endif
    const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> ids;
    for (int i = 0; i < 1000; ++i) {
        const std::string id = records::NewRunId();
        EXPECT_TRUE(std::regex_match(id, uuid)) << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 1000u);
}

} // namespace
