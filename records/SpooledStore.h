#pragma once

#include "records/RecordStore.h"
#include "records/SqliteStore.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace records {

// A line's server with a spool on the station: a record the server cannot take (it is
// down, the network is cut) goes to a local SQLite file instead, and `records sync`
// sends it on later. Serial numbers and queries need the server itself: a spool cannot
// know what another station took.
class SpooledStore : public RecordStore {
public:
    using Connect = std::function<std::unique_ptr<RecordStore>(std::string& error)>;
    // Tries the server once: a server that is down would cost each record the
    // connection's time-out, and a command's runs are over in minutes. Without it every
    // record of this command goes to the spool.
    SpooledStore(Connect connect, std::string spoolPath);

    std::string Write(const ProductionRecord& record) override;
    std::optional<std::uint64_t> TakeSerialNumbers(const std::string& series, std::uint64_t first,
                                                   std::uint64_t count, std::string& error) override;
    std::vector<ProductionRecord> Find(const RecordFilter& filter, std::string& error) override;
    std::string Where() const override { return m_where; }
    std::vector<std::string> TakeNotes() override;

    // Why the server could not be reached at the start; empty when it was.
    const std::string& serverError() const { return m_serverError; }

private:
    std::string Spool(const ProductionRecord& record, const std::string& serverError);

    std::mutex m_mutex; // guards everything below; the stores serialize their own calls
    Connect m_connect;
    std::string m_spoolPath;
    std::string m_where;
    std::unique_ptr<RecordStore> m_server;
    std::string m_serverError;
    std::unique_ptr<SqliteStore> m_spool;
    int m_spooled = 0;
    std::string m_lastSpoolReason;
    bool m_told = false;
};

// Sends every record of the spool to the server, oldest first, each removed from the
// spool once the server has it; a record the server holds already is not stored twice.
// How many were sent, and the reason when it stopped early.
struct SyncOutcome {
    int sent = 0;
    int left = 0;
    std::string error;
};
SyncOutcome SyncSpool(SqliteStore& spool, RecordStore& server);

} // namespace records
