#include "records/SqliteStore.h"

#include <sqlite3.h>


namespace records {

namespace {

// How long a write waits for another process's transaction before it gives up: a
// station's four workers and a second station may all commit at the same moment.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kModeRetryMs = 20;

std::string ErrorOf(sqlite3* db, const std::string& what)
{
    return what + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
}

} // namespace

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::string& path, std::string& error)
{
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                           SQLITE_OPEN_FULLMUTEX,
                                       nullptr);
    if (opened != SQLITE_OK) {
        error = ErrorOf(db, "cannot open " + path);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::unique_ptr<SqliteStore> store(new SqliteStore(db, path));
    // WAL: readers never block the writers, and a commit is one append to the log.
    // NORMAL synchronisation keeps every committed record across a crash of the program;
    // only a power cut may lose the last commits, never leave half of one. The mode stays
    // in the file once set, but setting it needs the file to itself, which the busy
    // timeout does not wait for: a station that opens a new file while another sets its
    // mode tries again.
    std::string failed;
    for (int attempt = 0; attempt < kBusyTimeoutMs / kModeRetryMs; ++attempt) {
        std::string mode;
        failed = store->Run("PRAGMA journal_mode=WAL", {}, [&](const SqlRow& row) {
            if (!row.empty() && row[0]) mode = *row[0];
        });
        if (failed.empty() && mode == "wal") break;
        if (failed.empty()) failed = "the file stays in journal mode " + mode;
        sqlite3_sleep(kModeRetryMs);
    }
    if (failed.empty()) failed = store->Run("PRAGMA synchronous=NORMAL", {}, {});
    if (!failed.empty()) {
        error = "cannot open " + path + ": " + failed;
        return nullptr;
    }
    char* message = nullptr;
    if (sqlite3_exec(db, SchemaSql().c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = "cannot create the tables in " + path + ": " + (message ? message : "");
        sqlite3_free(message);
        return nullptr;
    }
    return store;
}

SqliteStore::SqliteStore(sqlite3* db, std::string path)
    : SqlStore(Dialect::Sqlite), m_db(db), m_path(std::move(path))
{
}

SqliteStore::~SqliteStore()
{
    sqlite3_close(m_db);
}

std::string SqliteStore::Run(const std::string& sql, const SqlRow& parameters, const RowSink& row)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
        SQLITE_OK)
        return sqlite3_errmsg(m_db);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (parameters[i])
            sqlite3_bind_text(statement, index, parameters[i]->data(),
                              static_cast<int>(parameters[i]->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(statement, index);
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        if (!row) continue;
        SqlRow values;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            if (text == nullptr)
                values.emplace_back(std::nullopt);
            else
                values.emplace_back(std::string(text, static_cast<std::size_t>(
                                                          sqlite3_column_bytes(statement, c))));
        }
        row(values);
    }
    std::string error = step == SQLITE_DONE ? std::string() : std::string(sqlite3_errmsg(m_db));
    sqlite3_finalize(statement);
    return error;
}

std::string SqliteStore::Remove(const std::string& runId)
{
    if (std::string error = Locked("DELETE FROM runs WHERE run_id = $1", {runId}); !error.empty())
        return "cannot write to " + m_path + ": " + error;
    return {};
}

} // namespace records
