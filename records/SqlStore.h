#pragma once

#include "records/RecordSql.h"
#include "records/RecordStore.h"

#include <functional>
#include <mutex>
#include <string>

namespace records {

// What the SQLite and PostgreSQL stores share: the statements and the reading of their
// results. A store supplies how it runs one statement; calls are serialized here, since
// a connection serves one statement at a time.
class SqlStore : public RecordStore {
public:
    std::string Write(const ProductionRecord& record) override;
    std::optional<std::uint64_t> TakeSerialNumbers(const std::string& series, std::uint64_t first,
                                                   std::uint64_t count, std::string& error) override;
    std::vector<ProductionRecord> Find(const RecordFilter& filter, std::string& error) override;

protected:
    explicit SqlStore(Dialect dialect) : m_dialect(dialect) {}
    using RowSink = std::function<void(const SqlRow&)>;
    // Runs one statement with text parameters, each result row to `row`; the database's
    // reason when it fails.
    virtual std::string Run(const std::string& sql, const SqlRow& parameters, const RowSink& row) = 0;
    std::string Locked(const std::string& sql, const SqlRow& parameters, const RowSink& row = {});

private:
    std::mutex m_mutex;
    const Dialect m_dialect;
};

} // namespace records
