#pragma once

#include "records/SqlStore.h"

#include <memory>
#include <string>

struct pg_conn;

namespace records {

// Records on a line's PostgreSQL server, reached by a libpq connection string or URI
// ("postgresql://quobin@db.line/production", "host=/tmp/pg dbname=line"). A connection
// lost between two records is opened once more before a write gives up.
class PostgresStore : public SqlStore {
public:
    // Connects and creates the tables; null with the reason when the server cannot be
    // reached or refuses.
    static std::unique_ptr<PostgresStore> Open(const std::string& uri, std::string& error);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    std::string Where() const override { return m_where; }

protected:
    std::string Run(const std::string& sql, const SqlRow& parameters, const RowSink& row) override;

private:
    PostgresStore(pg_conn* connection, std::string where);
    std::string RunOnce(const std::string& sql, const SqlRow& parameters, const RowSink& row);

    pg_conn* m_connection;
    std::string m_where;
};

// The connection text without its password, for messages and records.
std::string WithoutPassword(const std::string& uri);

} // namespace records
