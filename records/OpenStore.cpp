#include "records/OpenStore.h"

#include "records/SpooledStore.h"

#ifdef QUOBIN_HAVE_POSTGRES
#include "records/PostgresStore.h"
#endif

#include "platform/Utf8Path.h"

#include <cstdlib>
#include <filesystem>

namespace records {

bool IsServerAddress(const std::string& where)
{
    return where.starts_with("postgresql://") || where.starts_with("postgres://");
}

bool ServerStoresAvailable()
{
#ifdef QUOBIN_HAVE_POSTGRES
    return true;
#else
    return false;
#endif
}

std::string DefaultSpoolPath()
{
    if (const char* spool = std::getenv("QUOBIN_SPOOL"); spool != nullptr && *spool != '\0')
        return spool;
    std::filesystem::path folder;
#ifdef _WIN32
    if (const char* local = std::getenv("LOCALAPPDATA")) folder = platform::PathFromUtf8(local);
#else
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0')
        folder = state;
    else if (const char* home = std::getenv("HOME"))
        folder = std::filesystem::path(home) / ".local" / "state";
#endif
    if (folder.empty()) folder = std::filesystem::temp_directory_path();
    folder /= "quobin";
    std::error_code ignored; // an unwritable folder is reported by the spool's open
    std::filesystem::create_directories(folder, ignored);
    return platform::Utf8FromPath(folder / "records-spool.db");
}

std::unique_ptr<RecordStore> OpenServer(const std::string& where, std::string& error)
{
#ifdef QUOBIN_HAVE_POSTGRES
    return PostgresStore::Open(where, error);
#else
    error = "cannot use " + where + ": this build has no PostgreSQL client (Linux only for now); "
            "use a SQLite file";
    return nullptr;
#endif
}

StoreOpening OpenRecordStore(const std::string& where, const std::string& spoolOption)
{
    StoreOpening opening;
    if (!IsServerAddress(where)) {
        opening.store = SqliteStore::Open(where, opening.error);
        return opening;
    }
    if (!ServerStoresAvailable()) {
        OpenServer(where, opening.error);
        return opening;
    }
    const std::string spoolPath = spoolOption.empty() ? DefaultSpoolPath() : spoolOption;
    auto spooled = std::make_unique<SpooledStore>(
        [where](std::string& error) { return OpenServer(where, error); }, spoolPath);
    if (!spooled->serverError().empty()) {
        // Checked now, so that a run never starts with nowhere to put its records.
        std::string error;
        if (!SqliteStore::Open(spoolPath, error)) {
            opening.error = spooled->serverError() + "; and " + error;
            return opening;
        }
        opening.note = spooled->serverError() + "; records go to the spool " + spoolPath;
    }
    opening.store = std::move(spooled);
    return opening;
}

} // namespace records
