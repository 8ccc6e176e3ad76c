// SQLite as each build links it (Debian's library on Linux, the amalgamation on Windows):
// a database file in WAL mode, rows written in one transaction, read by a second connection.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection Open(const std::string& path)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << path;
    return {db, &sqlite3_close}; // a failed open hands out a handle to close as well
}

// The first column of every row as text, or the error as the only row.
std::vector<std::string> Rows(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return {sqlite3_errmsg(db)};
    std::vector<std::string> rows;
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    if (sqlite3_finalize(statement) != SQLITE_OK) // the step's error, if one failed
        rows = {sqlite3_errmsg(db)};
    return rows;
}

TEST(SqliteLink, WritesInATransactionInWalModeAndASecondConnectionReadsBack)
{
    EXPECT_STREQ(sqlite3_libversion(), SQLITE_VERSION);
    support::TempDir dir; // outlives the connections: Windows cannot remove an open file
    const std::string path = dir.Path("records.db");

    const Connection writer = Open(path);
    EXPECT_EQ(Rows(writer.get(), "PRAGMA journal_mode=WAL"), std::vector<std::string>{"wal"});
    ASSERT_EQ(sqlite3_exec(writer.get(),
                           "CREATE TABLE samples(at INTEGER PRIMARY KEY, value TEXT);"
                           "BEGIN; INSERT INTO samples VALUES(1, 'one'), (2, 'two');"
                           "INSERT INTO samples VALUES(3, 'three'); COMMIT;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(writer.get());
    EXPECT_TRUE(std::filesystem::exists(path + "-wal"));

    const Connection reader = Open(path);
    EXPECT_EQ(Rows(reader.get(), "SELECT value FROM samples ORDER BY at"),
              (std::vector<std::string>{"one", "two", "three"}));
}

} // namespace
