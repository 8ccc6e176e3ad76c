#include "cli/RecordsCommand.h"

#include "cli/GlobalOptions.h"
#include "cli/JsonText.h"
#include "cli/TextTable.h"
#include "image/McuCatalog.h"
#include "ops/ElapsedText.h"
#include "records/OpenStore.h"
#include "records/RecordSql.h"
#include "records/SpooledStore.h"
#include "platform/Utf8Path.h"
#include "report/CsvText.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>

namespace cli {

namespace {

struct RecordsOptions {
    std::string records;
    std::string spool;
    std::string unit;
    std::string since;
    std::string station;
    bool failed = false;
    bool json = false;
    bool csv = false;
    CLI::App* sync = nullptr;
};

// A time as users type it, as the records' UTC text begins: "2026-12-08",
// "2026-12-08 07:30", "2026-12-08T07:30:15Z". Nothing when it is not one.
std::optional<std::string> SinceText(std::string text)
{
    static const std::regex form(R"(\d{4}-\d{2}-\d{2}([T ]\d{2}:\d{2}(:\d{2}(\.\d{1,3})?)?)?Z?)");
    if (!std::regex_match(text, form)) return std::nullopt;
    if (text.size() > 10) text[10] = 'T';
    if (text.back() == 'Z') text.pop_back();
    return text;
}

Json RecordJson(const records::ProductionRecord& r)
{
    Json regions = Json::object();
    for (int i = 0; i < image::kRegionCount; ++i) {
        const records::RegionFigures& region = r.regions[static_cast<std::size_t>(i)];
        if (!region.ticked) continue;
        char crc[9] = "";
        if (region.crc32) std::snprintf(crc, sizeof crc, "%08X", *region.crc32);
        regions[image::RegionName(i)] = {{"words_programmed", region.wordsProgrammed},
                                         {"image_words", region.imageWords},
                                         {"crc32", region.crc32 ? Json(crc) : Json()}};
    }
    return {{"run_id", r.runId},
            {"batch_id", r.batchId},
            {"station", JsonText(r.station)},
            {"operator", JsonText(r.operatorName)},
            {"unit_id", JsonText(r.unitId)},
            {"pod_serial", JsonText(r.podSerial)},
            {"part", JsonText(r.part)},
            {"s_file", JsonText(r.sFile)},
            {"s_file_sha256", r.sFileSha256},
            {"regions", std::move(regions)},
            {"mode", r.mode},
            {"result", r.result},
            {"message", JsonText(r.message)},
            {"reason", JsonText(r.reason)},
            {"interrupted", r.interrupted},
            {"started_utc", r.startedUtc},
            {"ended_utc", r.endedUtc},
            {"elapsed_ms", r.elapsedMs},
            {"tool_version", JsonText(r.toolVersion)},
            {"emulated", r.emulated},
            {"serial_number", r.serialNumber ? Json(*r.serialNumber) : Json()},
            {"attempt", r.attempt}};
}

void PrintCsv(std::ostream& out, const std::vector<records::ProductionRecord>& found)
{
    const std::vector<std::string>& columns = records::RecordColumns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        out << (i ? "," : "") << columns[i];
    out << '\n';
    for (const records::ProductionRecord& r : found) {
        const records::SqlRow row = records::RowOf(r);
        for (std::size_t i = 0; i < row.size(); ++i)
            out << (i ? "," : "") << report::CsvField(row[i].value_or(""));
        out << '\n';
    }
}

void PrintTable(std::ostream& out, const std::vector<records::ProductionRecord>& found)
{
    std::vector<std::vector<std::string>> rows = {
        {"STARTED (UTC)", "STATION", "UNIT", "POD", "PART", "NUMBER", "RESULT", "ELAPSED"}};
    for (const records::ProductionRecord& r : found) {
        std::string result = r.result;
        if (!r.ok() && !r.reason.empty()) result += ": " + r.reason;
        if (r.attempt > 1) result += " (attempt " + std::to_string(r.attempt) + ")";
        rows.push_back({r.startedUtc.substr(0, 19), r.station, r.unitId.empty() ? "-" : r.unitId,
                        r.podSerial, r.part,
                        r.serialNumber ? std::to_string(*r.serialNumber) : "-", result,
                        ops::SecondsText(r.elapsedMs)});
    }
    PrintTextTable(out, rows);
}

int Sync(CommandContext& ctx, const RecordsOptions& o)
{
    if (!records::IsServerAddress(o.records))
        return UsageError(ctx, "records sync sends the spool to a server: give --records postgresql://...");
    const std::string spoolPath = o.spool.empty() ? records::DefaultSpoolPath() : o.spool;
    std::string error;
    std::unique_ptr<records::SqliteStore> spool = records::SqliteStore::Open(spoolPath, error);
    if (!spool) {
        ctx.err << "quobin-cli: " << error << '\n';
        return kExitFailed;
    }
    std::unique_ptr<records::RecordStore> server = records::OpenServer(o.records, error);
    if (!server) {
        ctx.err << "quobin-cli: " << error << "; the spool keeps its records\n";
        return kExitFailed;
    }
    const records::SyncOutcome outcome = records::SyncSpool(*spool, *server);
    ctx.err << "quobin-cli: " << outcome.sent << (outcome.sent == 1 ? " record" : " records")
            << " sent to " << server->Where();
    if (outcome.left > 0) ctx.err << "; " << outcome.left << " left in " << spoolPath;
    ctx.err << '\n';
    if (!outcome.error.empty()) {
        ctx.err << "quobin-cli: " << outcome.error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int Run(CommandContext& ctx, const RecordsOptions& o)
{
    if (o.records.empty()) return UsageError(ctx, "give the store with --records FILE.db or postgresql://...");
    if (o.sync->parsed()) return Sync(ctx, o);
    const bool json = o.json || ctx.globals.json;
    if (json && o.csv) return UsageError(ctx, "--json and --csv exclude each other");
    records::RecordFilter filter;
    if (!o.unit.empty()) filter.unitId = o.unit;
    if (!o.station.empty()) filter.station = o.station;
    if (!o.since.empty()) {
        filter.since = SinceText(o.since);
        if (!filter.since)
            return UsageError(ctx, "--since " + o.since + " is not a UTC time such as 2026-12-08 or 2026-12-08T07:30");
    }
    filter.failedOnly = o.failed;
    std::string error;
    std::unique_ptr<records::RecordStore> store;
    if (records::IsServerAddress(o.records)) {
        store = records::OpenServer(o.records, error);
    } else {
        // Only read: a mistyped name must not leave an empty database behind.
        if (!std::filesystem::is_regular_file(platform::PathFromUtf8(o.records)))
            error = "no records file " + o.records;
        else
            store = records::SqliteStore::Open(o.records, error);
    }
    std::vector<records::ProductionRecord> found;
    if (store) found = store->Find(filter, error);
    if (!error.empty()) {
        ctx.err << "quobin-cli: " << error << '\n';
        return kExitFailed;
    }
    if (json) {
        Json array = Json::array();
        for (const records::ProductionRecord& r : found)
            array.push_back(RecordJson(r));
        ctx.out << JsonLine(array) << '\n';
    } else if (o.csv) {
        PrintCsv(ctx.out, found);
    } else {
        PrintTable(ctx.out, found);
    }
    return kExitOk;
}

} // namespace

void AddRecordsCommand(CLI::App& app, CommandList& commands)
{
    auto options = std::make_shared<RecordsOptions>();
    CLI::App* sub = AddSubcommand(app, "records", "List the production records a store holds");
    sub->add_option("--records", options->records, "The store: FILE.db or postgresql://...");
    sub->add_option("--unit", options->unit, "Only this unit's records");
    sub->add_option("--since", options->since, "Only records started at or after this UTC time");
    sub->add_flag("--failed", options->failed, "Only the runs that failed or were interrupted");
    sub->add_option("--station", options->station, "Only this station's records");
    sub->add_flag("--json", options->json, "Print a JSON array with every field");
    sub->add_flag("--csv", options->csv, "Print CSV with every column");
    options->sync = AddSubcommand(*sub, "sync", "Send the station's spool to the server --records names");
    options->sync->add_option("--spool", options->spool, "The spool (default QUOBIN_SPOOL, else records-spool.db in the user's state folder)");
    commands.push_back({sub, [options](CommandContext& ctx) { return Run(ctx, *options); }});
}

} // namespace cli
