// What a production record costs a unit: its write (one transaction) and one serial
// number taken, in a SQLite file on the local disk and on a PostgreSQL server reached
// through its Unix socket (syncing its commits to the disk), over 200 units. The goal is
// under 5 ms and 20 ms a unit.

#include "records/PostgresStore.h"
#include "records/RunId.h"
#include "records/SqliteStore.h"
#include "tests/support/PostgresServer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr int kUnits = 200;

records::ProductionRecord Unit(int i)
{
    records::ProductionRecord r;
    r.runId = records::NewRunId();
    r.batchId = "bench";
    r.station = "bench";
    r.operatorName = "bench";
    r.unitId = "U" + std::to_string(i);
    r.podSerial = "QBSIM001";
    r.part = "MC56F8367";
    r.sFile = "/line/firmware/demo.s";
    r.sFileSha256 = std::string(64, 'f');
    for (auto& region : r.regions)
        region = {true, 16384, 16384, 0x12345678u};
    r.mode = "target write & verify";
    r.result = "ok";
    r.message = "Success to download and verify FLASH to the MCU (4.21 sec)";
    r.startedUtc = "2026-12-08T07:00:00.000Z";
    r.endedUtc = "2026-12-08T07:00:04.210Z";
    r.elapsedMs = 4210;
    r.toolVersion = "1.3";
    return r;
}

// Milliseconds per unit; negative when a write failed.
double PerUnit(records::RecordStore& store)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kUnits; ++i) {
        std::string error;
        if (!store.Write(Unit(i)).empty() || !store.TakeSerialNumbers("bench", 1, 1, error))
            return -1;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count() / kUnits;
}

} // namespace

int main()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quobin-bench-records-" + records::NewRunId());
    std::filesystem::create_directories(folder);
    std::string error;
    double sqlite = -1;
    if (auto store = records::SqliteStore::Open((folder / "line.db").string(), error))
        sqlite = PerUnit(*store);
    std::filesystem::remove_all(folder);

    std::string postgres = "no server (" ;
    support::PostgresServer server(true);
    if (!server.problem().empty()) {
        postgres += server.problem() + ")";
    } else if (auto store = records::PostgresStore::Open(server.Uri(), error)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f ms", PerUnit(*store));
        postgres = text;
    } else {
        postgres += error + ")";
    }
    std::printf("records: %.2f ms per unit SQLite, %s PostgreSQL (a write and a serial number "
                "each, %d units)\n",
                sqlite, postgres.c_str(), kUnits);
    return sqlite < 0 ? 1 : 0;
}
