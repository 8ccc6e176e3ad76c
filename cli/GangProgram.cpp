#include "cli/GangProgram.h"

#include "cli/ConsoleView.h"
#include "cli/PodUnitView.h"
#include "cli/RunInterrupt.h"
#include "cli/RunJson.h"
#include "cli/TextTable.h"
#include "image/McuCatalog.h"
#include "ops/ElapsedText.h"
#include "ops/MonitorControl.h"
#include "ops/RunRecord.h"
#include "pod/AttachedDevices.h"
#include "station/Station.h"

#include "platform/Console.h"
#include "platform/LineRedraw.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>

namespace cli {

namespace {

// One POD's line of the summary.
struct UnitOutcome {
    std::string serial;
    ops::RunResult result;
    station::UnitLabels labels; // attempt: the last one run
};

std::string ResultText(const ops::RunResult& result)
{
    const std::string text = result.record.reason.empty()
                                 ? result.message
                                 : result.message + ": " + result.record.reason;
    return result.interrupted ? "interrupted: " + text : text;
}

// The outcome of a POD that never ran: not attached, or its trace file not writable.
ops::RunResult NotRun(const std::string& serial, const image::RunChoices& choices,
                      const std::string& message)
{
    ops::RunResult result;
    result.message = message;
    result.record.startedAt = ops::LocalTimestamp();
    result.record.podSerial = serial;
    result.record.part = image::RecordFor(choices.mcuIndex).name;
    result.record.file = choices.sFilePath;
    result.record.regions = choices.regionChecked;
    result.record.message = message;
    return result;
}

// One POD of the run: its view (kept for the progress line, appending the log line) and
// its unit on the station.
struct GangUnit {
    std::string serial;
    std::unique_ptr<PodUnitView> view;
    std::unique_ptr<station::PodUnit> unit;
    image::RunChoices choices; // the run's, with this unit's serial number patched in
    bool toRun = true;         // in the attempt under way
};

// Counts the units whose run has ended, for the main thread that waits on them.
class FinishedRuns {
public:
    void Add()
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_count;
        }
        m_changed.notify_all();
    }
    // Before another attempt: every run of the last one has ended and been counted.
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_count = 0;
    }
    // True when all have ended; otherwise after `wait` at most.
    bool WaitFor(std::size_t all, std::chrono::milliseconds wait)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, wait, [&] { return m_count >= all; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_count = 0;
};

// One line per POD on a terminal: serial, bar, status text. Redrawn in place where the
// terminal takes escape sequences; elsewhere a POD's line is printed again, below the
// others, each time its status text changes.
class ProgressLines {
public:
    ProgressLines(std::ostream& err, platform::LineUpdates updates)
        : m_err(err), m_redraw(updates == platform::LineUpdates::kRedrawInPlace)
    {
    }

    void Draw(const std::vector<GangUnit>& units)
    {
        if (m_redraw && m_drawn) m_err << "\x1b[" << units.size() << 'A';
        m_statuses.resize(units.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            const PodUnitView::Snapshot now = units[i].view->Now();
            if (!m_redraw && now.status == m_statuses[i]) continue;
            if (m_redraw) m_err << "\r\x1b[2K";
            m_err << units[i].serial << "  "
                  << ConsoleView::ProgressBar(now.position, now.upper, 30) << "  "
                  << now.status.substr(0, 60) << '\n';
            m_statuses[i] = now.status;
        }
        m_err.flush();
        m_drawn = true;
    }

private:
    std::ostream& m_err;
    const bool m_redraw;
    bool m_drawn = false;
    std::vector<std::string> m_statuses; // each POD's status text as last printed
};

// The unit column appears when a unit has an ID, the serial number's when one was
// written; a POD tried more than once says how often.
void PrintTable(std::ostream& out, const std::vector<UnitOutcome>& outcomes)
{
    bool units = false;
    bool numbers = false;
    for (const UnitOutcome& o : outcomes) {
        units = units || !o.labels.unitId.empty();
        numbers = numbers || o.labels.serialNumber.has_value();
    }
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"SERIAL"});
    if (units) rows.back().emplace_back("UNIT");
    if (numbers) rows.back().emplace_back("NUMBER");
    rows.back().insert(rows.back().end(), {"PART", "RESULT", "ELAPSED"});
    for (const UnitOutcome& o : outcomes) {
        rows.push_back({o.serial});
        if (units) rows.back().push_back(o.labels.unitId);
        if (numbers)
            rows.back().push_back(o.labels.serialNumber ? std::to_string(*o.labels.serialNumber) : "");
        std::string text = ResultText(o.result);
        if (o.labels.attempt > 1) text += " (attempt " + std::to_string(o.labels.attempt) + ")";
        rows.back().insert(rows.back().end(),
                           {o.result.record.part, text, ops::SecondsText(o.result.elapsedMs)});
    }
    PrintTextTable(out, rows);
}

// The PODs asked for, each with a unit when it is attached and its connection could be
// made; the outcome of those that cannot run is filled in here.
std::vector<GangUnit> OpenUnits(CommandContext& ctx, const GangRequest& request,
                                station::Station& station, const std::vector<std::string>& serials,
                                const std::map<std::string, UnitPlan>& plans,
                                std::vector<UnitOutcome>& outcomes, FinishedRuns& finished,
                                ops::MonitorControl& noMonitoring)
{
    const std::vector<std::string> found = station.AttachedSerials();
    bool missing = false;
    std::vector<GangUnit> units;
    for (std::size_t i = 0; i < serials.size(); ++i) {
        outcomes[i].serial = serials[i];
        const auto plan = plans.find(serials[i]);
        if (plan != plans.end()) outcomes[i].labels = plan->second.labels;
        if (std::find(found.begin(), found.end(), serials[i]) == found.end()) {
            missing = true;
            outcomes[i].result = NotRun(serials[i], request.choices,
                                        "no POD with serial number " + serials[i] + " is attached");
            continue;
        }
        GangUnit unit{serials[i],
                      std::make_unique<PodUnitView>([&finished] { finished.Add(); }),
                      nullptr, request.choices, true};
        if (plan != plans.end() && plan->second.patch)
            unit.choices.patches.push_back(*plan->second.patch);
        std::string error;
        unit.unit = station.OpenUnitOf(serials[i], *unit.view, noMonitoring, error);
        if (!unit.unit) {
            outcomes[i].result = NotRun(serials[i], request.choices, error);
            continue;
        }
        units.push_back(std::move(unit));
    }
    if (missing) ctx.err << "quobin-cli: PODs found: " << pod::SerialList(found) << '\n';
    // Those that never ran get their record here; the others' workers keep their own.
    for (const UnitOutcome& o : outcomes)
        if (!o.result.record.podSerial.empty()) station.KeepRun(o.result.record);
    return units;
}

// Starts every unit and waits for all of them, redrawing their lines on a terminal a
// few times a second; the workers never wait for the terminal.
void RunUnits(CommandContext& ctx, const GangRequest& request, std::vector<GangUnit>& units,
              FinishedRuns& finished)
{
    std::size_t started = 0;
    for (GangUnit& unit : units)
        if (unit.toRun && unit.unit->Start(request.mode, unit.choices)) ++started;
    if (platform::IsTerminal(stderr) && &ctx.err == &std::cerr) {
        ProgressLines lines(ctx.err, platform::PrepareLineRedraw(stderr).updates);
        do
            lines.Draw(units);
        while (!finished.WaitFor(started, std::chrono::milliseconds(200)));
        lines.Draw(units);
    }
    for (GangUnit& unit : units)
        unit.unit->Wait();
}

// Runs every unit, then those that failed again (not those stopped by Ctrl+C) up to
// --retry times, each attempt its own record.
void RunAttempts(CommandContext& ctx, const GangRequest& request, station::Station& station,
                 std::vector<GangUnit>& units, std::vector<UnitOutcome>& outcomes,
                 FinishedRuns& finished)
{
    for (int attempt = 1; attempt <= 1 + request.production.retry; ++attempt) {
        bool any = false;
        for (GangUnit& unit : units) {
            UnitOutcome& o = *std::find_if(outcomes.begin(), outcomes.end(),
                                           [&](const UnitOutcome& x) { return x.serial == unit.serial; });
            unit.toRun = attempt == 1 || (!o.result.ok && !o.result.interrupted);
            if (!unit.toRun) continue;
            any = true;
            o.labels.attempt = attempt;
            station.records().Label(unit.serial, o.labels);
            if (attempt > 1)
                ctx.err << "quobin-cli: " << unit.serial << ": attempt " << attempt << " of "
                        << 1 + request.production.retry << '\n';
        }
        if (!any || station.cancel().Requested()) break;
        finished.Reset();
        RunUnits(ctx, request, units, finished);
        for (GangUnit& unit : units)
            for (UnitOutcome& o : outcomes)
                if (o.serial == unit.serial && unit.toRun) o.result = unit.unit->Result();
    }
}

int Report(CommandContext& ctx, const GangRequest& request, const std::vector<UnitOutcome>& outcomes,
           bool interrupted)
{
    if (request.json) {
        Json array = Json::array();
        for (const UnitOutcome& o : outcomes) {
            Json run = RunJson(o.serial, o.result);
            if (!o.labels.unitId.empty()) run["unit_id"] = JsonText(o.labels.unitId);
            if (o.labels.serialNumber) run["serial_number"] = *o.labels.serialNumber;
            if (o.labels.attempt > 1) run["attempts"] = o.labels.attempt;
            array.push_back(std::move(run));
        }
        ctx.out << JsonLine(array) << '\n';
    } else {
        PrintTable(ctx.out, outcomes);
    }
    std::vector<std::string> failed;
    for (const UnitOutcome& o : outcomes)
        if (!o.result.ok) failed.push_back(o.serial);
    if (interrupted) {
        ctx.err << "quobin-cli: interrupted; " << outcomes.size() - failed.size() << " of "
                << outcomes.size() << " PODs finished\n";
        return platform::kInterruptedExitStatus;
    }
    if (failed.empty()) return kExitOk;
    ctx.err << "quobin-cli: " << failed.size() << " of " << outcomes.size()
            << " PODs failed: " << pod::SerialList(failed) << '\n';
    return kExitFailed;
}

// The PODs of the run: those named, every one attached, or the one a single-POD
// command would use; empty when none is attached.
std::vector<std::string> RunSerials(CommandContext& ctx, const GangRequest& request,
                                    station::Station& station)
{
    if (request.allPods) return station.AttachedSerials();
    if (!request.serials.empty()) return request.serials;
    const station::PodChoice choice = station.ChoosePod(std::nullopt);
    if (choice.pickedFirst)
        ctx.err << "quobin-cli: " << choice.found.size() << " PODs attached ("
                << pod::SerialList(choice.found) << "); using " << choice.serial
                << " (choose one with --serial)\n";
    if (!choice.serial.empty()) return {choice.serial};
    return choice.found;
}

} // namespace

int RunGang(CommandContext& ctx, const GangRequest& request)
{
    for (std::size_t i = 0; i < request.serials.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (request.serials[i] == request.serials[j])
                return UsageError(ctx, "--serial " + request.serials[i] + " is given twice");
    if (std::string error = ProductionUsageError(request.production, request.choices,
                                                 request.allPods || !request.serials.empty());
        !error.empty())
        return UsageError(ctx, error);

    pod::SteadyPodClock steadyClock;
    pod::PodClock& clock = ctx.clock != nullptr ? *ctx.clock : steadyClock;
    station::Station::Opening opening =
        station::Station::Open(ctx.globals.link, clock, station::Station::Tracing::PerUnit);
    if (!opening.station) {
        if (opening.usage) return UsageError(ctx, opening.error);
        ctx.err << "quobin-cli: " << opening.error << '\n';
        return kExitFailed;
    }
    station::Station& station = *opening.station;
    station.records().SetRunLog(request.logFile);
    // A re-run takes its PODs from the records.
    std::vector<std::string> serials = request.production.rerunFailed
                                           ? std::vector<std::string>{}
                                           : RunSerials(ctx, request, station);
    std::map<std::string, UnitPlan> plans;
    if (const int status = PrepareProduction(ctx, request.production, station,
                                             serials, plans, std::cin);
        status != kExitOk)
        return status;
    if (serials.empty()) {
        if (request.production.rerunFailed) return kExitOk;
        // A script reading the array finds it empty rather than nothing at all.
        if (request.json) ctx.out << "[]\n";
        ctx.err << "quobin-cli: no POD is attached\n";
        return kExitFailed;
    }
    std::vector<UnitOutcome> outcomes(serials.size());
    FinishedRuns finished;
    ops::MonitorControl noMonitoring;
    std::vector<GangUnit> units =
        OpenUnits(ctx, request, station, serials, plans, outcomes, finished, noMonitoring);
    {
        RunInterrupt interrupt(station.cancel());
        RunAttempts(ctx, request, station, units, outcomes, finished);
    }

    // Every worker has ended: their connections close before the emulator saves.
    units.clear();
    const std::vector<std::string> recordErrors = station.records().TakeErrors();
    for (const std::string& error : recordErrors)
        ctx.err << "quobin-cli: " << error << '\n';
    for (const std::string& note : station.records().TakeNotes())
        ctx.err << "quobin-cli: " << note << '\n';
    for (std::string& note : station.UnfiredFaults())
        ctx.closingNotes.push_back(std::move(note));
    for (std::string& error : station.Close())
        ctx.closingErrors.push_back(std::move(error));
    const int status = Report(ctx, request, outcomes, station.cancel().Requested());
    // A run whose record was lost fails: the line cannot trace that board.
    return status == kExitOk && !recordErrors.empty() ? kExitFailed : status;
}

} // namespace cli
