#pragma once

#include "records/ProductionRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace records {

// The one table layout and the statements both stores use. Values travel as text both
// ways (SQLite's column affinity and PostgreSQL's parameter types turn them into
// numbers), so a record reads back the same from either store.
enum class Dialect { Sqlite, Postgres };

using SqlRow = std::vector<std::optional<std::string>>; // null: none

// The tables and indexes, each statement ending in ';', safe to run on every open.
std::string SchemaSql();

// The record's columns in table order.
const std::vector<std::string>& RecordColumns();
SqlRow RowOf(const ProductionRecord& record);
// The record a row of RecordColumns() holds; fields that do not parse stay as default.
ProductionRecord RecordOf(const SqlRow& row);

// An insert of one record; a record whose run id is stored already is left as it is (a
// spool sent twice adds nothing).
std::string InsertSql();

// Takes numbers: parameters series, first, count; returns the first number taken.
std::string TakeSerialNumbersSql(Dialect dialect);

struct SqlQuery {
    std::string text;
    std::vector<std::string> parameters; // $1, $2, ... in order
};
SqlQuery SelectSql(const RecordFilter& filter);

} // namespace records
