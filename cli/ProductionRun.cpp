#include "cli/ProductionRun.h"

#include "image/ImagePatch.h"
#include "image/SerialPatch.h"
#include "monitor/ValueText.h"
#include "platform/Console.h"
#include "platform/Utf8Path.h"
#include "station/Station.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>

namespace cli {

namespace {

// The unit IDs --unit gives: one for a single POD, or one per serial number.
std::string UnitsFromOptions(const std::vector<std::string>& units,
                             const std::vector<std::string>& serials,
                             std::map<std::string, std::string>& ids)
{
    for (const std::string& unit : units) {
        const std::size_t equals = unit.find('=');
        if (equals == std::string::npos) {
            if (serials.size() != 1)
                return "--unit " + unit + " names no POD; with several PODs give --unit SERIAL=ID";
            ids[serials.front()] = unit;
            continue;
        }
        const std::string serial = unit.substr(0, equals);
        if (std::find(serials.begin(), serials.end(), serial) == serials.end())
            return "--unit " + unit + ": " + serial + " is not one of the PODs of this run";
        ids[serial] = unit.substr(equals + 1);
    }
    return {};
}

// One ID per POD in the order of the run, as a barcode scanner types them: a line each,
// blank lines skipped. On a terminal each POD is asked for by its serial number.
std::string UnitsFromLines(CommandContext& ctx, std::istream& in, bool prompt,
                           const std::vector<std::string>& serials,
                           std::map<std::string, std::string>& ids)
{
    for (const std::string& serial : serials) {
        if (ids.contains(serial)) continue;
        std::string line;
        while (true) {
            if (prompt) ctx.err << "Unit on " << serial << ": " << std::flush;
            if (!std::getline(in, line))
                return "the unit IDs ended before " + serial + " had one";
            line = std::string(monitor::TrimBlanks(line));
            if (!line.empty()) break;
        }
        ids[serial] = line;
    }
    return {};
}

std::string UnitIds(CommandContext& ctx, const ProductionOptions& options,
                    const std::vector<std::string>& serials, std::istream& scanner,
                    std::map<std::string, std::string>& ids)
{
    if (std::string error = UnitsFromOptions(options.units, serials, ids); !error.empty())
        return error;
    if (options.unitsFrom == "-")
        return UnitsFromLines(ctx, scanner, platform::IsTerminal(stdin), serials, ids);
    if (!options.unitsFrom.empty()) {
        std::ifstream file(platform::PathFromUtf8(options.unitsFrom));
        if (!file) return "cannot read the unit IDs from " + options.unitsFrom;
        return UnitsFromLines(ctx, file, false, serials, ids);
    }
    return {};
}

std::string DuplicateUnit(const std::map<std::string, std::string>& ids)
{
    std::set<std::string> seen;
    for (const auto& [serial, id] : ids)
        if (!seen.insert(id).second) return "unit " + id + " is given for two PODs";
    return {};
}

} // namespace

std::string ProductionUsageError(const ProductionOptions& options, const image::RunChoices& choices,
                                 bool podsNamed)
{
    if (options.retry < 0) return "--retry takes 0 or more";
    if (options.records.empty() &&
        (!options.station.empty() || !options.operatorName.empty() || !options.spool.empty()))
        return "--station, --operator and --spool go with --records";
    if (options.rerunFailed && options.records.empty())
        return "--rerun-failed reads the records: give --records";
    if (options.rerunFailed && (!options.units.empty() || !options.unitsFrom.empty() || podsNamed))
        return "--rerun-failed chooses the PODs and units from the records; leave out --unit, "
               "--units-from, --serial and --all-pods";
    if (!options.units.empty() && !options.unitsFrom.empty())
        return "--unit and --units-from exclude each other";
    if (options.first && options.serialize.empty()) return "--first needs --serialize";
    if (options.serialize.empty()) return {};
    std::string error;
    const auto place = image::ParseSerialPlace(options.serialize, error);
    if (!place) return "--serialize " + error;
    if (options.first && options.records.empty())
        return "--first takes numbers from the records, so that no two units get one: give --records";
    if (options.first && !image::SerialPatch(*place, *options.first))
        return "--first " + std::to_string(*options.first) + " does not fit in " +
               std::to_string(place->words) + " words";
    if (!options.first && options.units.empty() && options.unitsFrom.empty() && !options.rerunFailed)
        return "--serialize writes --first N and up, or the unit IDs: give one of them";
    const image::WordPatch probe{place->address, std::vector<std::uint16_t>(static_cast<std::size_t>(place->words))};
    if (std::string refusal = image::PatchRefusal(choices.mcuIndex, choices.regionChecked, probe);
        !refusal.empty())
        return "--serialize " + refusal;
    return {};
}

int PrepareProduction(CommandContext& ctx, const ProductionOptions& options,
                      station::Station& station,
                      std::vector<std::string>& serials, std::map<std::string, UnitPlan>& plans,
                      std::istream& scanner)
{
    records::RecordStore* store = nullptr;
    if (!options.records.empty()) {
        std::string note;
        if (const std::string error = station.OpenRecords(options.records, options.spool,
                                                          options.station, options.operatorName, note);
            !error.empty()) {
            ctx.err << "quobin-cli: no records can be kept, so nothing is programmed: " << error
                    << '\n';
            return kExitFailed;
        }
        if (!note.empty()) ctx.err << "quobin-cli: " << note << '\n';
        store = station.records().store();
    }

    std::map<std::string, std::string> ids;
    std::map<std::string, std::uint64_t> numbers;
    if (options.rerunFailed) {
        records::RecordFilter filter;
        filter.failedOnly = true;
        filter.lastPerUnit = true;
        filter.station = station.records().context().station;
        std::string error;
        const std::vector<records::ProductionRecord> failed = store->Find(filter, error);
        if (!error.empty()) {
            ctx.err << "quobin-cli: " << error << '\n';
            return kExitFailed;
        }
        serials.clear();
        // The newest failed unit of each POD: the board still in that fixture.
        for (auto it = failed.rbegin(); it != failed.rend(); ++it) {
            if (it->podSerial.empty() || ids.contains(it->podSerial)) continue;
            serials.push_back(it->podSerial);
            ids[it->podSerial] = it->unitId;
            if (it->serialNumber) numbers[it->podSerial] = *it->serialNumber;
        }
        std::sort(serials.begin(), serials.end());
        if (serials.empty()) {
            ctx.err << "quobin-cli: no unit's last record at " << filter.station.value_or("")
                    << " failed\n";
            return kExitOk;
        }
    } else if (std::string error = UnitIds(ctx, options, serials, scanner, ids); !error.empty()) {
        return UsageError(ctx, error);
    }
    if (std::string error = DuplicateUnit(ids); !error.empty()) return UsageError(ctx, error);

    std::string error;
    const auto place = options.serialize.empty()
                           ? std::nullopt
                           : image::ParseSerialPlace(options.serialize, error);
    // A unit run again keeps the number its record holds.
    std::vector<std::string> unnumbered;
    for (const std::string& serial : serials)
        if (place && !numbers.contains(serial)) unnumbered.push_back(serial);
    if (!unnumbered.empty() && options.first) {
        // Taken in one transaction for the whole run: consecutive on this station, and
        // never one another station took.
        const auto taken = store->TakeSerialNumbers(image::SeriesName(*place), *options.first,
                                                    unnumbered.size(), error);
        if (!taken) {
            ctx.err << "quobin-cli: " << error << '\n';
            return kExitFailed;
        }
        for (std::size_t i = 0; i < unnumbered.size(); ++i)
            numbers[unnumbered[i]] = *taken + i;
    } else {
        for (const std::string& serial : unnumbered) {
            const std::string& id = ids[serial];
            std::uint64_t number = 0;
            const auto [end, failed] = std::from_chars(id.data(), id.data() + id.size(), number);
            if (failed != std::errc{} || end != id.data() + id.size())
                return UsageError(ctx, "--serialize writes the unit ID, and '" + id + "' of " +
                                           serial + " is not a number; give --first N");
            numbers[serial] = number;
        }
    }
    for (const std::string& serial : serials) {
        UnitPlan& plan = plans[serial];
        plan.labels.unitId = ids.contains(serial) ? ids[serial] : std::string();
        if (place && numbers.contains(serial)) {
            plan.labels.serialNumber = numbers[serial];
            if (plan.labels.unitId.empty()) plan.labels.unitId = std::to_string(numbers[serial]);
            plan.patch = image::SerialPatch(*place, numbers[serial]);
            if (!plan.patch)
                return UsageError(ctx, "serial number " + std::to_string(numbers[serial]) +
                                           " does not fit in " + std::to_string(place->words) +
                                           " words");
        }
        station.records().Label(serial, plan.labels);
    }
    return kExitOk;
}

} // namespace cli
