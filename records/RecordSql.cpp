#include "records/RecordSql.h"

#include <charconv>
#include <cstdio>

namespace records {

namespace {

constexpr const char* kRegionPrefixes[4] = {"dflash", "bflash", "p1flash", "p2flash"};

// The columns before the regions' and their SQL types; the regions' three each follow.
struct Column {
    const char* name;
    const char* type;
};
constexpr Column kLeadingColumns[] = {
    {"run_id", "TEXT PRIMARY KEY"},
    {"batch_id", "TEXT NOT NULL"},
    {"station", "TEXT NOT NULL"},
    {"operator", "TEXT NOT NULL"},
    {"unit_id", "TEXT NOT NULL"},
    {"pod_serial", "TEXT NOT NULL"},
    {"part", "TEXT NOT NULL"},
    {"s_file", "TEXT NOT NULL"},
    {"s_file_sha256", "TEXT NOT NULL"},
    {"mode", "TEXT NOT NULL"},
    {"result", "TEXT NOT NULL"},
    {"message", "TEXT NOT NULL"},
    {"reason", "TEXT NOT NULL"},
    {"interrupted", "INTEGER NOT NULL"},
    {"started_utc", "TEXT NOT NULL"},
    {"ended_utc", "TEXT NOT NULL"},
    {"elapsed_ms", "BIGINT NOT NULL"},
    {"tool_version", "TEXT NOT NULL"},
    {"emulated", "INTEGER NOT NULL"},
    {"serial_number", "BIGINT"},
    {"attempt", "INTEGER NOT NULL"},
};
constexpr std::size_t kLeadingCount = std::size(kLeadingColumns);

template <typename Number>
Number NumberOf(const std::optional<std::string>& text)
{
    Number value{};
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

std::string TextOf(const std::optional<std::string>& text)
{
    return text.value_or(std::string());
}

} // namespace

const std::vector<std::string>& RecordColumns()
{
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (const Column& c : kLeadingColumns)
            names.emplace_back(c.name);
        for (const char* region : kRegionPrefixes) {
            names.push_back(std::string(region) + "_words");
            names.push_back(std::string(region) + "_image_words");
            names.push_back(std::string(region) + "_crc32");
        }
        return names;
    }();
    return columns;
}

std::string SchemaSql()
{
    std::string sql = "CREATE TABLE IF NOT EXISTS runs (";
    for (const Column& c : kLeadingColumns)
        sql += std::string(c.name) + ' ' + c.type + ", ";
    // A region that was not ticked has nulls.
    for (const char* region : kRegionPrefixes)
        sql += std::string(region) + "_words BIGINT, " + region + "_image_words BIGINT, " +
               region + "_crc32 TEXT, ";
    sql.resize(sql.size() - 2);
    sql += ");";
    sql += "CREATE INDEX IF NOT EXISTS runs_by_unit ON runs (unit_id, started_utc);";
    sql += "CREATE INDEX IF NOT EXISTS runs_by_time ON runs (started_utc);";
    sql += "CREATE TABLE IF NOT EXISTS serial_series (series TEXT PRIMARY KEY, "
           "next_number BIGINT NOT NULL);";
    return sql;
}

SqlRow RowOf(const ProductionRecord& r)
{
    SqlRow row = {r.runId,
                  r.batchId,
                  r.station,
                  r.operatorName,
                  r.unitId,
                  r.podSerial,
                  r.part,
                  r.sFile,
                  r.sFileSha256,
                  r.mode,
                  r.result,
                  r.message,
                  r.reason,
                  std::string(r.interrupted ? "1" : "0"),
                  r.startedUtc,
                  r.endedUtc,
                  std::to_string(r.elapsedMs),
                  r.toolVersion,
                  std::string(r.emulated ? "1" : "0"),
                  r.serialNumber ? std::optional<std::string>(std::to_string(*r.serialNumber))
                                 : std::nullopt,
                  std::to_string(r.attempt)};
    for (const RegionFigures& region : r.regions) {
        if (!region.ticked) {
            row.insert(row.end(), 3, std::nullopt);
            continue;
        }
        row.emplace_back(std::to_string(region.wordsProgrammed));
        row.emplace_back(std::to_string(region.imageWords));
        if (region.crc32) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08X", *region.crc32);
            row.emplace_back(hex);
        } else {
            row.emplace_back(std::nullopt);
        }
    }
    return row;
}

ProductionRecord RecordOf(const SqlRow& row)
{
    ProductionRecord r;
    if (row.size() != RecordColumns().size()) return r;
    std::size_t i = 0;
    r.runId = TextOf(row[i++]);
    r.batchId = TextOf(row[i++]);
    r.station = TextOf(row[i++]);
    r.operatorName = TextOf(row[i++]);
    r.unitId = TextOf(row[i++]);
    r.podSerial = TextOf(row[i++]);
    r.part = TextOf(row[i++]);
    r.sFile = TextOf(row[i++]);
    r.sFileSha256 = TextOf(row[i++]);
    r.mode = TextOf(row[i++]);
    r.result = TextOf(row[i++]);
    r.message = TextOf(row[i++]);
    r.reason = TextOf(row[i++]);
    r.interrupted = NumberOf<int>(row[i++]) != 0;
    r.startedUtc = TextOf(row[i++]);
    r.endedUtc = TextOf(row[i++]);
    r.elapsedMs = NumberOf<std::uint32_t>(row[i++]);
    r.toolVersion = TextOf(row[i++]);
    r.emulated = NumberOf<int>(row[i++]) != 0;
    if (row[i]) r.serialNumber = NumberOf<std::uint64_t>(row[i]);
    ++i;
    r.attempt = NumberOf<int>(row[i++]);
    for (RegionFigures& region : r.regions) {
        region.ticked = row[i].has_value();
        region.wordsProgrammed = NumberOf<std::uint32_t>(row[i++]);
        region.imageWords = NumberOf<std::uint32_t>(row[i++]);
        if (const auto& crc = row[i++]) {
            std::uint32_t value = 0;
            if (std::from_chars(crc->data(), crc->data() + crc->size(), value, 16).ec == std::errc{})
                region.crc32 = value;
        }
    }
    return r;
}

std::string InsertSql()
{
    std::string names;
    std::string values;
    const std::vector<std::string>& columns = RecordColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        names += (i ? ", " : "") + columns[i];
        values += (i ? ", $" : "$") + std::to_string(i + 1);
    }
    return "INSERT INTO runs (" + names + ") VALUES (" + values + ") ON CONFLICT (run_id) DO NOTHING";
}

std::string TakeSerialNumbersSql(Dialect dialect)
{
    const std::string larger = dialect == Dialect::Sqlite ? "max" : "GREATEST";
    return "INSERT INTO serial_series (series, next_number) VALUES ($1, CAST($2 AS BIGINT) + "
           "CAST($3 AS BIGINT)) ON CONFLICT (series) DO UPDATE SET next_number = " +
           larger + "(serial_series.next_number, CAST($2 AS BIGINT)) + CAST($3 AS BIGINT) "
                    "RETURNING next_number - CAST($3 AS BIGINT)";
}

SqlQuery SelectSql(const RecordFilter& filter)
{
    SqlQuery query;
    std::string names;
    for (const std::string& column : RecordColumns())
        names += (names.empty() ? "" : ", ") + column;
    query.text = "SELECT " + names + " FROM runs r";
    std::vector<std::string> conditions;
    const auto parameter = [&](const std::string& value) {
        query.parameters.push_back(value);
        return "$" + std::to_string(query.parameters.size());
    };
    if (filter.unitId) conditions.push_back("unit_id = " + parameter(*filter.unitId));
    if (filter.station) conditions.push_back("station = " + parameter(*filter.station));
    if (filter.since) conditions.push_back("started_utc >= " + parameter(*filter.since));
    if (filter.failedOnly) conditions.emplace_back("result <> 'ok'");
    if (filter.lastPerUnit)
        conditions.emplace_back("started_utc = (SELECT MAX(started_utc) FROM runs n WHERE "
                                "n.unit_id = r.unit_id)");
    for (std::size_t i = 0; i < conditions.size(); ++i)
        query.text += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    query.text += " ORDER BY started_utc, pod_serial, run_id";
    return query;
}

} // namespace records
