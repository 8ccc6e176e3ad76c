#pragma once

#include "records/RecordStore.h"
#include "records/SqliteStore.h"

#include <memory>
#include <string>

namespace records {

// "postgresql://..." or "postgres://...": a line's server; anything else is a SQLite file.
bool IsServerAddress(const std::string& where);
// False in a build without the PostgreSQL client library (Windows, for now).
bool ServerStoresAvailable();

// Where a station keeps the records its server could not take: QUOBIN_SPOOL, else
// "quobin/records-spool.db" in the user's state folder (XDG_STATE_HOME, ~/.local/state;
// %LOCALAPPDATA% on Windows), the folder made when missing.
std::string DefaultSpoolPath();

struct StoreOpening {
    std::unique_ptr<RecordStore> store;
    std::string error; // why there is none
    // Said once when a server could not be reached and the spool takes the records.
    std::string note;
};
// The store `where` names; a server with its spool at `spoolPath` (empty: the default).
StoreOpening OpenRecordStore(const std::string& where, const std::string& spoolPath);
// The server itself, without a spool (for sync); null with the reason.
std::unique_ptr<RecordStore> OpenServer(const std::string& where, std::string& error);

} // namespace records
