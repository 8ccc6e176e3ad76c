#pragma once

#include "records/SqlStore.h"

#include <memory>
#include <string>

struct sqlite3;

namespace records {

// Records in a SQLite file on the station. Write-ahead logging lets several processes
// (or a line's stations sharing a local disk) write at once; each record is one
// transaction, so a process killed mid-write leaves the record whole or absent.
class SqliteStore : public SqlStore {
public:
    // Opens (creating) the file and its tables; null with the reason when it cannot.
    static std::unique_ptr<SqliteStore> Open(const std::string& path, std::string& error);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::string Where() const override { return m_path; }

    // Removes a record (one sent on from a spool); empty when done.
    std::string Remove(const std::string& runId);

protected:
    std::string Run(const std::string& sql, const SqlRow& parameters, const RowSink& row) override;

private:
    SqliteStore(sqlite3* db, std::string path);

    sqlite3* m_db;
    std::string m_path;
};

} // namespace records
