#include "records/SpooledStore.h"

namespace records {

SpooledStore::SpooledStore(Connect connect, std::string spoolPath)
    : m_connect(std::move(connect)), m_spoolPath(std::move(spoolPath))
{
    m_server = m_connect(m_serverError);
    m_where = m_server ? m_server->Where() : m_spoolPath;
}

std::string SpooledStore::Spool(const ProductionRecord& record, const std::string& serverError)
{
    if (!m_spool) {
        std::string error;
        m_spool = SqliteStore::Open(m_spoolPath, error);
        if (!m_spool) return serverError + "; and " + error;
    }
    if (std::string error = m_spool->Write(record); !error.empty())
        return serverError + "; and " + error;
    ++m_spooled;
    m_lastSpoolReason = serverError;
    return {};
}

std::string SpooledStore::Write(const ProductionRecord& record)
{
    std::lock_guard lock(m_mutex);
    std::string serverError = m_serverError;
    if (m_server) {
        serverError = m_server->Write(record);
        if (serverError.empty()) return {};
    }
    return Spool(record, serverError);
}

std::optional<std::uint64_t> SpooledStore::TakeSerialNumbers(const std::string& series,
                                                             std::uint64_t first,
                                                             std::uint64_t count, std::string& error)
{
    std::lock_guard lock(m_mutex);
    if (!m_server) {
        error = "serial numbers come from the server only, so that no two stations take the "
                "same one: " + m_serverError;
        return std::nullopt;
    }
    return m_server->TakeSerialNumbers(series, first, count, error);
}

std::vector<ProductionRecord> SpooledStore::Find(const RecordFilter& filter, std::string& error)
{
    std::lock_guard lock(m_mutex);
    if (!m_server) {
        error = m_serverError;
        return {};
    }
    return m_server->Find(filter, error);
}

std::vector<std::string> SpooledStore::TakeNotes()
{
    std::lock_guard lock(m_mutex);
    if (m_spooled == 0 || m_told) return {};
    m_told = true;
    return {std::to_string(m_spooled) + (m_spooled == 1 ? " record" : " records") +
            " kept in the spool " + m_spoolPath + " (" + m_lastSpoolReason +
            "); send them with: quobin-cli records sync"};
}

SyncOutcome SyncSpool(SqliteStore& spool, RecordStore& server)
{
    SyncOutcome outcome;
    const std::vector<ProductionRecord> waiting = spool.Find({}, outcome.error);
    if (!outcome.error.empty()) return outcome;
    for (const ProductionRecord& record : waiting) {
        if (outcome.error.empty()) outcome.error = server.Write(record);
        // Removed only once the server has it: a cut in between sends it again, and the
        // server keeps the first copy.
        if (outcome.error.empty()) outcome.error = spool.Remove(record.runId);
        if (outcome.error.empty())
            ++outcome.sent;
        else
            ++outcome.left;
    }
    return outcome;
}

} // namespace records
