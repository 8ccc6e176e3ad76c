#pragma once

#include "cli/CommandContext.h"
#include "image/RunChoices.h"
#include "station/RunRecords.h"

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace station {
class Station;
}

namespace cli {

// What a production line adds to a run on one POD or several: where the records go,
// who and which boards, the serial number written into each, and retries.
struct ProductionOptions {
    std::string records; // SQLite file or postgresql://...; empty: no records
    std::string spool;   // empty: the default spool
    std::string station; // empty: the host name
    std::string operatorName;
    std::vector<std::string> units; // "ID", or "SERIAL=ID" per POD
    std::string unitsFrom;          // a file of IDs, one per line, or "-" for standard input
    std::string serialize;          // "ADDR:WORDS"; empty: none
    std::optional<std::uint64_t> first;
    int retry = 0;
    bool rerunFailed = false;

    // Any option that needs the production run (the table of PODs, records, retries).
    bool Any() const
    {
        return !records.empty() || !spool.empty() || !station.empty() || !operatorName.empty() ||
               !units.empty() || !unitsFrom.empty() || !serialize.empty() || first.has_value() ||
               retry > 0 || rerunFailed;
    }
};

// Each POD's part in the run: its labels for the record and its serial-number patch.
struct UnitPlan {
    station::UnitLabels labels;
    std::optional<image::WordPatch> patch;
};

// The options' usage errors that need no POD (podsNamed: --serial or --all-pods given):
// empty when they are sound.
std::string ProductionUsageError(const ProductionOptions& options, const image::RunChoices& choices,
                                 bool podsNamed);

// Opens the store and fills the station's record context; for --rerun-failed replaces
// `serials` with the PODs of the units to run again. Then reads the unit IDs, takes the
// serial numbers and labels each POD. kExitOk to go on, else the exit status after
// printing why.
int PrepareProduction(CommandContext& ctx, const ProductionOptions& options,
                      station::Station& station,
                      std::vector<std::string>& serials, std::map<std::string, UnitPlan>& plans,
                      std::istream& scanner);

} // namespace cli
