#include "cli/GangProgram.h"

#include "cli/ConsoleView.h"
#include "cli/PodUnitView.h"
#include "cli/RunInterrupt.h"
#include "cli/RunJson.h"
#include "image/McuCatalog.h"
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
#include <memory>
#include <mutex>

namespace cli {

namespace {

// One POD's line of the summary.
struct UnitOutcome {
    std::string serial;
    ops::RunResult result;
};

std::string ResultText(const ops::RunResult& result)
{
    const std::string text = result.record.reason.empty()
                                 ? result.message
                                 : result.message + ": " + result.record.reason;
    return result.interrupted ? "interrupted: " + text : text;
}

std::string Seconds(std::uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%02u s", ms / 1000, ms % 1000 / 10);
    return text;
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

void PrintTable(std::ostream& out, const std::vector<UnitOutcome>& outcomes)
{
    std::size_t serialWidth = 6;
    std::size_t partWidth = 4;
    std::size_t textWidth = 6;
    for (const UnitOutcome& o : outcomes) {
        serialWidth = std::max(serialWidth, o.serial.size());
        partWidth = std::max(partWidth, o.result.record.part.size());
        textWidth = std::max(textWidth, ResultText(o.result).size());
    }
    const auto row = [&](const std::string& serial, const std::string& part,
                         const std::string& text, const std::string& elapsed) {
        out << serial << std::string(serialWidth - serial.size() + 2, ' ') << part
            << std::string(partWidth - part.size() + 2, ' ') << text
            << std::string(textWidth - text.size() + 2, ' ') << elapsed << '\n';
    };
    row("SERIAL", "PART", "RESULT", "ELAPSED");
    for (const UnitOutcome& o : outcomes)
        row(o.serial, o.result.record.part, ResultText(o.result), Seconds(o.result.elapsedMs));
}


// The PODs asked for, each with a unit when it is attached and its connection could be
// made; the outcome of those that cannot run is filled in here.
std::vector<GangUnit> OpenUnits(CommandContext& ctx, const GangRequest& request,
                                station::Station& station, const std::vector<std::string>& serials,
                                std::vector<UnitOutcome>& outcomes, FinishedRuns& finished,
                                ops::MonitorControl& noMonitoring)
{
    const std::vector<std::string> found = station.AttachedSerials();
    bool missing = false;
    std::vector<GangUnit> units;
    for (std::size_t i = 0; i < serials.size(); ++i) {
        outcomes[i].serial = serials[i];
        if (std::find(found.begin(), found.end(), serials[i]) == found.end()) {
            missing = true;
            outcomes[i].result = NotRun(serials[i], request.choices,
                                        "no POD with serial number " + serials[i] + " is attached");
            continue;
        }
        GangUnit unit{serials[i],
                      std::make_unique<PodUnitView>([&finished] { finished.Add(); }),
                      nullptr};
        std::string error;
        unit.unit = station.OpenUnitOf(serials[i], *unit.view, noMonitoring, error);
        if (!unit.unit) {
            outcomes[i].result = NotRun(serials[i], request.choices, error);
            continue;
        }
        units.push_back(std::move(unit));
    }
    if (missing) ctx.err << "quobin-cli: PODs found: " << pod::SerialList(found) << '\n';
    // Those that never ran get their log line here; the others' workers write their own.
    for (const UnitOutcome& o : outcomes)
        if (!o.result.record.podSerial.empty() && !station.LogRun(o.result.record))
            ctx.err << "quobin-cli: cannot append to the log " << request.logFile << '\n';
    return units;
}

// Starts every unit and waits for all of them, redrawing their lines on a terminal a
// few times a second; the workers never wait for the terminal.
void RunUnits(CommandContext& ctx, const GangRequest& request, std::vector<GangUnit>& units,
              FinishedRuns& finished)
{
    std::size_t started = 0;
    for (GangUnit& unit : units)
        if (unit.unit->Start(request.mode, request.choices)) ++started;
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

int Report(CommandContext& ctx, const GangRequest& request, const std::vector<UnitOutcome>& outcomes,
           bool interrupted)
{
    if (request.json) {
        Json array = Json::array();
        for (const UnitOutcome& o : outcomes)
            array.push_back(RunJson(o.serial, o.result));
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

} // namespace

int RunGang(CommandContext& ctx, const GangRequest& request)
{
    for (std::size_t i = 0; i < request.serials.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (request.serials[i] == request.serials[j])
                return UsageError(ctx, "--serial " + request.serials[i] + " is given twice");

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
    station.SetRunLog(request.logFile);
    const std::vector<std::string> serials =
        request.allPods ? station.AttachedSerials() : request.serials;
    if (serials.empty()) {
        // A script reading the array finds it empty rather than nothing at all.
        if (request.json) ctx.out << "[]\n";
        ctx.err << "quobin-cli: no POD is attached\n";
        return kExitFailed;
    }
    std::vector<UnitOutcome> outcomes(serials.size());
    FinishedRuns finished;
    ops::MonitorControl noMonitoring;
    std::vector<GangUnit> units =
        OpenUnits(ctx, request, station, serials, outcomes, finished, noMonitoring);
    {
        RunInterrupt interrupt(station.cancel());
        RunUnits(ctx, request, units, finished);
    }

    bool logFailed = false;
    for (GangUnit& unit : units) {
        for (UnitOutcome& o : outcomes)
            if (o.serial == unit.serial) o.result = unit.unit->Result();
        logFailed = logFailed || unit.unit->runLogFailed();
    }
    if (logFailed) ctx.err << "quobin-cli: cannot append to the log " << request.logFile << '\n';
    // Every worker has ended: their connections close before the emulator saves.
    units.clear();
    for (std::string& note : station.UnfiredFaults())
        ctx.closingNotes.push_back(std::move(note));
    for (std::string& error : station.Close())
        ctx.closingErrors.push_back(std::move(error));
    return Report(ctx, request, outcomes, station.cancel().Requested());
}

} // namespace cli
