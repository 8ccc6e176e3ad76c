#include "records/SqlStore.h"

#include <charconv>

namespace records {

std::string SqlStore::Locked(const std::string& sql, const SqlRow& parameters, const RowSink& row)
{
    std::lock_guard lock(m_mutex);
    return Run(sql, parameters, row);
}

std::string SqlStore::Write(const ProductionRecord& record)
{
    // One statement is one transaction: the record's row is whole or absent.
    if (std::string error = Locked(InsertSql(), RowOf(record)); !error.empty())
        return "cannot write to " + Where() + ": " + error;
    return {};
}

std::optional<std::uint64_t> SqlStore::TakeSerialNumbers(const std::string& series,
                                                         std::uint64_t first, std::uint64_t count,
                                                         std::string& error)
{
    std::optional<std::uint64_t> taken;
    error = Locked(TakeSerialNumbersSql(m_dialect),
                   {series, std::to_string(first), std::to_string(count)}, [&](const SqlRow& row) {
                       std::uint64_t value = 0;
                       if (!row.empty() && row[0] &&
                           std::from_chars(row[0]->data(), row[0]->data() + row[0]->size(), value)
                                   .ec == std::errc{})
                           taken = value;
                   });
    if (error.empty() && !taken) error = "no number came back";
    if (!error.empty()) {
        error = "cannot take serial numbers from " + Where() + ": " + error;
        return std::nullopt;
    }
    return taken;
}

std::vector<ProductionRecord> SqlStore::Find(const RecordFilter& filter, std::string& error)
{
    const SqlQuery query = SelectSql(filter);
    std::vector<ProductionRecord> found;
    error = Locked(query.text, SqlRow(query.parameters.begin(), query.parameters.end()),
                   [&](const SqlRow& row) { found.push_back(RecordOf(row)); });
    if (!error.empty()) {
        error = "cannot read " + Where() + ": " + error;
        found.clear();
    }
    return found;
}

} // namespace records
