// A production line's runs through quobin-cli: a record per unit and attempt, unit IDs
// and serial numbers written into the chips, retries and re-runs from the records, and
// the records command that reads them back.
#include "ops/Checksums.h"
#include "records/SqliteStore.h"
#include "sim/EmulatedPod.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace {

using support::CliRun;
constexpr auto Cli = &support::RunCli;

const std::string kDemo = QUOBIN_DEMO_SFILE;

std::vector<records::ProductionRecord> RecordsIn(const std::string& path)
{
    std::string error;
    auto store = records::SqliteStore::Open(path, error);
    EXPECT_TRUE(store) << error;
    return store ? store->Find({}, error) : std::vector<records::ProductionRecord>{};
}

std::vector<std::uint16_t> P1Flash(const std::string& stateDir)
{
    sim::SimOptions options;
    options.stateDir = stateDir;
    sim::EmulatedPod pod(options, 0);
    return pod.FlashOf(2);
}

TEST(ProductionRun, OptionsThatCannotWorkAreUsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"--rerun-failed"}, "--rerun-failed reads the records: give --records"},
        {{"--records", "x.db", "--rerun-failed", "--unit", "A"},
         "--rerun-failed chooses the PODs and units from the records; leave out --unit, "
         "--units-from, --serial and --all-pods"},
        {{"--unit", "A", "--units-from", "ids.txt"}, "--unit and --units-from exclude each other"},
        {{"--first", "5"}, "--first needs --serialize"},
        {{"--station", "st1"}, "--station, --operator and --spool go with --records"},
        {{"--serialize", "0x1F00"}, "--serialize '0x1F00' is not ADDR:WORDS (for example 0x1F00:2)"},
        {{"--serialize", "0x1F00:2", "--first", "1"},
         "--first takes numbers from the records, so that no two units get one: give --records"},
        {{"--records", "x.db", "--serialize", "0x1F00:1", "--first", "65536"},
         "--first 65536 does not fit in 1 words"},
        {{"--serialize", "0x1F00:2"},
         "--serialize writes --first N and up, or the unit IDs: give one of them"},
        {{"--unit", "1", "--serialize", "0x2004000:2", "--regions", "P1FLASH"},
         "--serialize 0x2004000..0x2004001 lies in no ticked region (P1FLASH 0x000000..0x01FFFF)"},
        {{"--sim-pods", "2", "--all-pods", "--unit", "A"},
         "--unit A names no POD; with several PODs give --unit SERIAL=ID"},
        {{"--sim-pods", "2", "--all-pods", "--unit", "QBSIM009=A"},
         "--unit QBSIM009=A: QBSIM009 is not one of the PODs of this run"},
        {{"--sim-pods", "2", "--all-pods", "--unit", "QBSIM001=A", "--unit", "QBSIM002=A"},
         "unit A is given for two PODs"},
        {{"--unit", "ABC", "--serialize", "0x1F00:2"},
         "--serialize writes the unit ID, and 'ABC' of QBSIM001 is not a number; give --first N"},
        {{"--unit", "70000", "--serialize", "0x1F00:1"}, "serial number 70000 does not fit in 1 words"},
    };
    support::TempDir dir;
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--simulate", "program", kDemo};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "quobin-cli: " + c.err + "\n");
        EXPECT_EQ(run.out, "");
    }
}

// Four units named by their PODs' serial numbers, their IDs written as serial numbers:
// each chip holds its own, the record says which, and its CRC-32 is that of the chip's
// words.
TEST(ProductionRun, UnitIdsAreWrittenIntoTheirChipsAndRecorded)
{
    support::TempDir dir;
    const std::string db = dir.Path("line.db");
    const CliRun run = Cli({"--simulate", "--sim-pods", "4", "--sim-state", dir.Path("state"),
                            "program", kDemo, "--all-pods", "--records", db, "--station", "st1",
                            "--operator", "ann", "--serialize", "0x1F00:2", "--unit",
                            "QBSIM001=70000", "--unit", "QBSIM002=70001", "--unit",
                            "QBSIM003=4294967295", "--unit", "QBSIM004=7"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "SERIAL    UNIT        NUMBER      PART       RESULT"
              "                                                      ELAPSED");
    const auto found = RecordsIn(db);
    ASSERT_EQ(found.size(), 4u);
    for (const records::ProductionRecord& r : found) {
        SCOPED_TRACE(r.podSerial);
        const auto flash = P1Flash(dir.Path("state/" + r.podSerial));
        ASSERT_TRUE(r.serialNumber);
        EXPECT_EQ(r.unitId, std::to_string(*r.serialNumber));
        EXPECT_EQ(flash[0x1F00] | std::uint64_t{flash[0x1F01]} << 16, *r.serialNumber);
        EXPECT_EQ(r.station, "st1");
        EXPECT_EQ(r.operatorName, "ann");
        EXPECT_EQ(r.result, "ok");
        EXPECT_EQ(r.mode, "target write & verify");
        EXPECT_TRUE(r.emulated);
        const records::RegionFigures& p1 = r.regions[2];
        EXPECT_EQ(p1.crc32, ops::Crc32Words(std::span(flash).first(p1.imageWords)));
        EXPECT_EQ(p1.wordsProgrammed, p1.imageWords);
    }
    EXPECT_EQ(found[0].batchId, found[3].batchId);
    EXPECT_NE(found[0].runId, found[3].runId);
}

// QBSIM003 answers its first page with an error: --retry 1 runs it once more, and the
// records hold both attempts.
TEST(ProductionRun, RetryRunsTheFailedPodAgainAndRecordsEachAttempt)
{
    support::TempDir dir;
    const std::string db = dir.Path("line.db");
    const CliRun run = Cli({"--simulate", "--sim-pods", "4", "--sim-fault", "QBSIM003/0x26:1:error",
                            "program", kDemo, "--all-pods", "--records", db, "--retry", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "quobin-cli: QBSIM003: attempt 2 of 3\n");
    EXPECT_NE(run.out.find("(0.00 sec) (attempt 2)"), std::string::npos) << run.out;
    const auto found = RecordsIn(db);
    ASSERT_EQ(found.size(), 5u);
    int attempts = 0;
    for (const records::ProductionRecord& r : found) {
        if (r.podSerial != "QBSIM003") continue;
        ++attempts;
        EXPECT_EQ(r.result, r.attempt == 1 ? "failed" : "ok");
        EXPECT_EQ(r.reason.empty(), r.attempt == 2);
    }
    EXPECT_EQ(attempts, 2);
}

// A unit whose run failed is programmed again by --rerun-failed, on its POD, with its ID
// and serial number; once it passed there is nothing to re-run.
TEST(ProductionRun, RerunFailedProgramsTheUnitsWhoseLastRecordFailed)
{
    support::TempDir dir;
    const std::string db = dir.Path("line.db");
    const std::vector<std::string> line = {"--simulate", "--sim-pods", "3", "--sim-state",
                                           dir.Path("state")};
    std::vector<std::string> first = line;
    first.insert(first.end(), {"--sim-fault", "QBSIM002/0x26:1:error", "program", kDemo,
                               "--all-pods", "--records", db, "--station", "st1", "--serialize",
                               "0x1F00:2", "--first", "500"});
    const CliRun failing = Cli(first);
    ASSERT_EQ(failing.status, 1) << failing.err;

    std::vector<std::string> again = line;
    again.insert(again.end(), {"program", kDemo, "--records", db, "--station", "st1",
                               "--serialize", "0x1F00:2", "--first", "500", "--rerun-failed"});
    const CliRun rerun = Cli(again);
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    const auto found = RecordsIn(db);
    ASSERT_EQ(found.size(), 4u);
    const records::ProductionRecord& last = found.back();
    EXPECT_EQ(last.podSerial, "QBSIM002");
    EXPECT_EQ(last.result, "ok");
    EXPECT_EQ(last.serialNumber, 501u); // the number it was given the first time
    EXPECT_EQ(last.unitId, "501");
    EXPECT_EQ(P1Flash(dir.Path("state/QBSIM002"))[0x1F00], 501);

    const CliRun nothing = Cli(again);
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.err, "quobin-cli: no unit's last record at st1 failed\n");
    EXPECT_EQ(RecordsIn(db).size(), 4u);
}

TEST(ProductionRun, UnitIdsFromAFileGoToThePodsInOrder)
{
    support::TempDir dir;
    const std::string db = dir.Path("line.db");
    const std::string ids = dir.Write("ids.txt", "SN-A\r\n\n  SN-B \nSN-C\n");
    const CliRun run = Cli({"--simulate", "--sim-pods", "3", "program", kDemo, "--all-pods",
                            "--records", db, "--units-from", ids, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    ASSERT_EQ(json.size(), 3u);
    EXPECT_EQ(json[1]["unit_id"], "SN-B");
    EXPECT_FALSE(json[1].contains("serial_number"));
    for (const records::ProductionRecord& r : RecordsIn(db))
        EXPECT_EQ(r.unitId, std::string("SN-") + static_cast<char>('A' + (r.podSerial.back() - '1')));

    const std::string few = dir.Write("few.txt", "SN-A\n");
    const CliRun short_ = Cli({"--simulate", "--sim-pods", "3", "program", kDemo, "--all-pods",
                               "--records", db, "--units-from", few});
    EXPECT_EQ(short_.status, 2);
    EXPECT_EQ(short_.err, "quobin-cli: the unit IDs ended before QBSIM002 had one\n");
}

TEST(ProductionRun, AStoreThatCannotBeOpenedProgramsNothing)
{
    support::TempDir dir;
    const CliRun run = Cli({"--simulate", "--sim-state", dir.Path("state"), "program", kDemo,
                            "--records", dir.Path("no/such/line.db")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("quobin-cli: no records can be kept, so nothing is programmed: cannot "
                            "open " + dir.Path("no/such/line.db"), 0),
              0u)
        << run.err;
    EXPECT_EQ(P1Flash(dir.Path("state"))[0], 0xFFFF);
}

TEST(RecordsCommand, SelectsAndPrintsTheRecords)
{
    support::TempDir dir;
    const std::string db = dir.Path("line.db");
    ASSERT_EQ(Cli({"--simulate", "--sim-pods", "2", "--sim-fault", "QBSIM002/0x26:1:error",
                   "program", kDemo, "--all-pods", "--records", db, "--station", "st1", "--unit",
                   "QBSIM001=U1", "--unit", "QBSIM002=U2"})
                  .status,
              1);
    const CliRun failed = Cli({"records", "--records", db, "--failed"});
    ASSERT_EQ(failed.status, 0) << failed.err;
    std::istringstream lines(failed.out);
    std::string header, row, rest;
    std::getline(lines, header);
    std::getline(lines, row);
    EXPECT_FALSE(std::getline(lines, rest));
    EXPECT_EQ(header.rfind("STARTED (UTC)        STATION  UNIT  POD       PART       NUMBER  RESULT", 0), 0u) << header;
    EXPECT_NE(row.find("  st1      U2    QBSIM002  MC56F8367  -       failed: the POD answered"),
              std::string::npos)
        << row;

    const CliRun json = Cli({"records", "--records", db, "--unit", "U1", "--json"});
    ASSERT_EQ(json.status, 0);
    const auto array = nlohmann::json::parse(json.out);
    ASSERT_EQ(array.size(), 1u);
    EXPECT_EQ(array[0]["pod_serial"], "QBSIM001");
    // The demo's 260 program words lie between 0 and 767: the transfer covers that much.
    EXPECT_EQ(array[0]["regions"]["P1FLASH"]["image_words"], 768);
    EXPECT_EQ(array[0]["regions"]["P1FLASH"]["words_programmed"], 768);
    EXPECT_EQ(array[0]["serial_number"], nullptr);

    const CliRun csv = Cli({"records", "--records", db, "--csv", "--since", "2000-01-01 00:00"});
    EXPECT_EQ(csv.out.rfind("run_id,batch_id,station,operator,unit_id,", 0), 0u);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 3);
    EXPECT_EQ(Cli({"records", "--records", db, "--since", "2999-01-01", "--json"}).out, "[]\n");

    struct Refusal {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const Refusal refusals[] = {
        {{"records"}, 2, "give the store with --records FILE.db or postgresql://..."},
        {{"records", "--records", db, "--since", "yesterday"},
         2, "--since yesterday is not a UTC time such as 2026-12-08 or 2026-12-08T07:30"},
        {{"records", "--records", db, "--json", "--csv"}, 2, "--json and --csv exclude each other"},
        {{"records", "--records", dir.Path("typo.db")}, 1, "no records file " + dir.Path("typo.db")},
        {{"records", "--records", db, "sync"},
         2, "records sync sends the spool to a server: give --records postgresql://..."},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(testing::PrintToString(r.args));
        const CliRun run = Cli(r.args);
        EXPECT_EQ(run.status, r.status);
        EXPECT_EQ(run.err, "quobin-cli: " + r.err + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("typo.db")));
}

} // namespace
