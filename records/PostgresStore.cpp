#include "records/PostgresStore.h"

#include <libpq-fe.h>

#include <regex>

namespace records {

namespace {

// A server that does not answer must not hold a run's end for long: the record then
// goes to the spool.
constexpr const char* kConnectTimeout = "5";

std::string ConnectionError(PGconn* connection)
{
    std::string text = connection != nullptr ? PQerrorMessage(connection) : "out of memory";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    // libpq's messages run over several lines; a status line takes one.
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

PGconn* Connect(const std::string& uri)
{
    const char* keys[] = {"dbname", "connect_timeout", "application_name", nullptr};
    const char* values[] = {uri.c_str(), kConnectTimeout, "quobin", nullptr};
    // expand_dbname: the first dbname may be a whole connection string or URI.
    return PQconnectdbParams(keys, values, 1);
}

} // namespace

std::string WithoutPassword(const std::string& uri)
{
    static const std::regex inUri(R"(^(postgres(?:ql)?://[^:/@]*):[^@/]*@)");
    static const std::regex keyword(R"((^|\s)password\s*=\s*('([^'\\]|\\.)*'|\S+))");
    std::string text = std::regex_replace(uri, inUri, "$1:***@");
    return std::regex_replace(text, keyword, "$1password=***");
}

std::unique_ptr<PostgresStore> PostgresStore::Open(const std::string& uri, std::string& error)
{
    PGconn* connection = Connect(uri);
    if (PQstatus(connection) != CONNECTION_OK) {
        error = "cannot reach " + WithoutPassword(uri) + ": " + ConnectionError(connection);
        PQfinish(connection);
        return nullptr;
    }
    std::unique_ptr<PostgresStore> store(new PostgresStore(connection, WithoutPassword(uri)));
    // Two stations starting at once both create the tables; the loser of that race is
    // told the type exists. The statements run as one transaction, and the lock taken
    // first is held until it commits, so a second station waits and then finds them.
    const std::string schema = "SELECT pg_advisory_xact_lock(5178321); " + SchemaSql();
    PGresult* result = PQexec(connection, schema.c_str());
    const bool made = PQresultStatus(result) == PGRES_TUPLES_OK ||
                      PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!made) error = "cannot create the tables on " + store->m_where + ": " + ConnectionError(connection);
    PQclear(result);
    if (!made) return nullptr;
    return store;
}

PostgresStore::PostgresStore(pg_conn* connection, std::string where)
    : SqlStore(Dialect::Postgres), m_connection(connection), m_where(std::move(where))
{
}

PostgresStore::~PostgresStore()
{
    PQfinish(m_connection);
}

std::string PostgresStore::RunOnce(const std::string& sql, const SqlRow& parameters,
                                   const RowSink& row)
{
    std::vector<const char*> values;
    for (const auto& p : parameters)
        values.push_back(p ? p->c_str() : nullptr);
    PGresult* result = PQexecParams(m_connection, sql.c_str(), static_cast<int>(values.size()),
                                    nullptr, values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    std::string error;
    if (status == PGRES_TUPLES_OK) {
        if (row)
            for (int r = 0; r < PQntuples(result); ++r) {
                SqlRow cells;
                for (int c = 0; c < PQnfields(result); ++c)
                    cells.push_back(PQgetisnull(result, r, c)
                                          ? std::nullopt
                                          : std::optional<std::string>(PQgetvalue(result, r, c)));
                row(cells);
            }
    } else if (status != PGRES_COMMAND_OK) {
        error = ConnectionError(m_connection);
    }
    PQclear(result);
    return error;
}

std::string PostgresStore::Run(const std::string& sql, const SqlRow& parameters, const RowSink& row)
{
    std::string error = RunOnce(sql, parameters, row);
    if (error.empty() || PQstatus(m_connection) == CONNECTION_OK) return error;
    // The server restarted or the network dropped since the last record: once more on a
    // new connection. A statement that failed this way was never committed.
    PQreset(m_connection);
    if (PQstatus(m_connection) != CONNECTION_OK) return error;
    return RunOnce(sql, parameters, row);
}

} // namespace records
