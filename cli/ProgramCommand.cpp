#include "cli/ProgramCommand.h"

#include <string>

#include "cli/CliLink.h"
#include "cli/RunInterrupt.h"
#include "cli/GangProgram.h"
#include "cli/RunJson.h"
#include "image/McuOptions.h"
#include "image/McuCatalog.h"
#include "ops/OperationMode.h"
#include "ops/RunRecord.h"

#include <CLI/CLI.hpp>

#include <memory>

namespace cli {

namespace {

struct ProgramOptions {
    std::string file;
    bool write = false;
    bool verify = false;
    std::string mcu;
    std::string regions;
    CLI::Option* regionsOption = nullptr;
    bool resetAfter = false;
    std::string polarity = "low";
    int delayMs = 1;
    bool json = false;
    std::string logFile;
    bool allPods = false;
    ProductionOptions production;
};

int DelayIndexOf(int delayMs)
{
    for (std::size_t i = 0; i < image::ResetDelayTable.size(); ++i)
        if (image::ResetDelayTable[i] == delayMs) return static_cast<int>(i);
    return -1;
}

// The run choices the window would capture, from the options; a usage message when
// one of them is not valid.
std::string ChoicesFrom(const ProgramOptions& o, image::RunChoices& choices)
{
    if (std::string error = image::ParseMcuOption(o.mcu, choices.mcuIndex); !error.empty()) return error;
    const image::McuRecord& record = image::RecordFor(choices.mcuIndex);
    if (o.regionsOption && o.regionsOption->count() > 0) {
        const auto regions = image::ParseRegions(o.regions);
        if (!regions)
            return "unknown region in '" + o.regions + "'; use DFLASH,BFLASH,P1FLASH,P2FLASH";
        for (int r = 0; r < image::kRegionCount; ++r)
            if ((*regions)[r] && !record.present[r])
                return std::string(image::RegionName(r)) + " is not present on " + record.name;
        choices.regionChecked = *regions;
    } else {
        for (int r = 0; r < image::kRegionCount; ++r)
            choices.regionChecked[r] = record.present[r] != 0;
    }
    choices.resetAfter = o.resetAfter;
    choices.resetPolarityIndex = o.polarity == "high" ? 1 : 0;
    choices.resetDelayIndex = DelayIndexOf(o.delayMs);
    choices.sFilePath = o.file;
    return {};
}

int Run(const ProgramOptions& o, bool target, CommandContext& ctx)
{
    if (o.write && o.verify)
        return UsageError(ctx, "--write and --verify exclude each other (both is the default)");
    image::RunChoices choices;
    if (const std::string problem = ChoicesFrom(o, choices); !problem.empty())
        return UsageError(ctx, problem);

    using ops::OperationMode;
    const OperationMode mode = target ? (o.write    ? OperationMode::TargetWrite
                                         : o.verify ? OperationMode::TargetVerify
                                                    : OperationMode::TargetWriteVerify)
                                      : (o.write    ? OperationMode::PodWrite
                                         : o.verify ? OperationMode::PodVerify
                                                    : OperationMode::PodWriteVerify);

    const bool json = o.json || ctx.globals.json;
    if (o.allPods || ctx.globals.link.serials.size() > 1 || o.production.Any()) {
        if (o.allPods && !ctx.globals.link.serials.empty())
            return UsageError(ctx, "--all-pods and --serial exclude each other");
        return RunGang(ctx, GangRequest{ctx.globals.link.serials, o.allPods, mode, choices, json,
                                        o.logFile, o.production});
    }
    int exitCode = kExitOk;
    auto pod = CliLink::Open(ctx, json, exitCode, true, o.logFile);
    if (!pod) return exitCode;
    ops::RunResult result;
    {
        RunInterrupt interrupt(pod->station().cancel());
        result = pod->unit().Program(mode, choices);
    }
    const std::vector<std::string> logErrors = pod->station().records().TakeErrors();
    for (const std::string& error : logErrors)
        ctx.err << "quobin-cli: " << error << '\n';

    if (json) {
        // The fields of a run on several PODs; a POD named by --serial gives a list, as
        // several do.
        const Json run = RunJson(result.record.podSerial, result);
        ctx.out << JsonLine(ctx.globals.link.serials.empty() ? run : Json::array({run})) << '\n';
    }
    if (!result.ok) {
        ConsoleView::PrintFailure(ctx.err, result.message, result.record.reason, pod->driver());
        if (result.interrupted) {
            ctx.err << "quobin-cli: interrupted\n";
            return platform::kInterruptedExitStatus;
        }
        return kExitFailed;
    }
    return logErrors.empty() ? kExitOk : kExitFailed;
}

void AddProductionOptions(CLI::App& sub, ProductionOptions& p)
{
    const std::string group = "Production records";
    sub.add_option("--records", p.records,
                   "Keep one record per unit and run in a SQLite FILE.db, or on a PostgreSQL "
                   "server (postgresql://...), with a local spool when it cannot be reached")
        ->group(group);
    sub.add_option("--spool", p.spool,
                   "Where records go when the server cannot be reached (default QUOBIN_SPOOL, "
                   "else records-spool.db in the user's state folder)")
        ->group(group);
    sub.add_option("--station", p.station, "The station's name in the records (default the host name)")
        ->group(group);
    sub.add_option("--operator", p.operatorName, "Who runs the station (default the login name)")
        ->group(group);
    sub.add_option("--unit", p.units,
                   "The board's ID (barcode); with several PODs SERIAL=ID, once per POD")
        ->group(group);
    sub.add_option("--units-from", p.unitsFrom,
                   "Unit IDs one per line, in the PODs' order, from FILE or - (standard input, "
                   "as a scanner types them)")
        ->group(group);
    sub.add_option("--serialize", p.serialize,
                   "Write each unit's serial number at ADDR:WORDS (low word first) before "
                   "programming, so it is written and verified with the rest")
        ->group(group);
    sub.add_option("--first", p.first,
                   "Serial numbers from N up, taken from the records so that no two units "
                   "share one (without it the unit IDs are written)")
        ->group(group);
    sub.add_option("--retry", p.retry, "Run the PODs that failed again, up to N times")
        ->check(CLI::NonNegativeNumber)
        ->group(group);
    sub.add_flag("--rerun-failed", p.rerunFailed,
                 "Program again the units of this station whose last record failed, on the "
                 "PODs they failed on")
        ->group(group);
}

void Add(CLI::App& app, CommandList& commands, const std::string& name,
         const std::string& description, bool target)
{
    auto options = std::make_shared<ProgramOptions>();
    CLI::App* sub = AddSubcommand(app, name, description);
    sub->add_option("FILE", options->file, "S file (Motorola S-records)")->required();
    sub->add_flag("--write", options->write, "Write only");
    sub->add_flag("--verify", options->verify, "Verify only");
    sub->add_option("--mcu", options->mcu, "Part name or index (default MC56F8367)");
    options->regionsOption =
        sub->add_option("--regions", options->regions,
                        "Regions to program, e.g. P1FLASH,DFLASH (default: all the part has)");
    sub->add_flag("--reset-after", options->resetAfter,
                  "Reset the target after downloading the program");
    sub->add_option("--reset-polarity", options->polarity, "Reset polarity: low or high")
        ->check(CLI::IsMember({"low", "high"}));
    sub->add_option("--reset-delay", options->delayMs, "Reset delay in ms: 1, 10, 50, 100 or 500")
        ->check(CLI::IsMember({1, 10, 50, 100, 500}));
    sub->add_flag("--json", options->json, "Print one JSON object with the result");
    sub->add_option("--log", options->logFile,
                    "Append one line per run (per POD) to FILE: time, POD serial, part, file, "
                    "CRC-32, regions, result, elapsed time");
    sub->add_flag("--all-pods", options->allPods,
                  "Run on every attached POD at once (several --serial pick some of them)");
    AddProductionOptions(*sub, options->production);
    commands.push_back(
        {sub, [options, target](CommandContext& ctx) { return Run(*options, target, ctx); }});
}

} // namespace

void AddProgramCommand(CLI::App& app, CommandList& commands)
{
    Add(app, commands, "program", "Write and/or verify the target's flash from an S file", true);
}

void AddPodWriteCommand(CLI::App& app, CommandList& commands)
{
    Add(app, commands, "pod-write", "Store the programming job in the POD, and/or verify it",
        false);
}

} // namespace cli
