#include "cli/GangProgram.h"

#include "cli/ConsoleView.h"
#include "cli/GangUnit.h"
#include "cli/JsonText.h"
#include "cli/RunLogFile.h"
#include "image/McuCatalog.h"
#include "ops/RunRecord.h"
#include "pod/AttachedDevices.h"
#include "podlink/PodLink.h"
#include "sim/SimUsbDriver.h"

#include "platform/Console.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

namespace cli {

namespace {

// One POD's line of the summary.
struct UnitOutcome {
    std::string serial;
    ops::RunResult result;
};

std::string ResultText(const ops::RunResult& result)
{
    return result.record.reason.empty() ? result.message
                                        : result.message + ": " + result.record.reason;
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

// Redraws one line per POD in place on a terminal: serial, bar, status text.
class ProgressLines {
public:
    explicit ProgressLines(std::ostream& err) : m_err(err) {}

    void Draw(const std::vector<std::unique_ptr<GangUnit>>& units)
    {
        if (m_drawn) m_err << "\x1b[" << units.size() << 'A';
        for (const auto& unit : units) {
            const PodUnitView::Snapshot now = unit->Progress();
            m_err << "\r\x1b[2K" << unit->serial() << "  "
                  << ConsoleView::ProgressBar(now.position, now.upper, 30) << "  "
                  << now.status.substr(0, 60) << '\n';
        }
        m_err.flush();
        m_drawn = true;
    }

private:
    std::ostream& m_err;
    bool m_drawn = false;
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

Json JsonOf(const UnitOutcome& o)
{
    Json wordsSent = Json::object();
    for (int r = 0; r < image::kRegionCount; ++r)
        wordsSent[image::RegionName(r)] = o.result.wordsSent[r];
    return {{"serial", JsonText(o.serial)},
            {"ok", o.result.ok},
            {"part", JsonText(o.result.record.part)},
            {"message", JsonText(o.result.message)},
            {"reason", JsonText(o.result.record.reason)},
            {"elapsed_ms", o.result.elapsedMs},
            {"words_sent", std::move(wordsSent)}};
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
    // The bus connection only lists the PODs; each POD's own connection writes its trace.
    podlink::LinkOptions busOptions = ctx.globals.link;
    busOptions.tracePath.clear();
    podlink::PodLink bus = podlink::MakePodLink(busOptions, clock);
    if (bus.failed) {
        ctx.err << "quobin-cli: " << bus.error << '\n';
        return kExitFailed;
    }
    if (!bus.error.empty()) return UsageError(ctx, bus.error);

    const std::vector<std::string> found = pod::PodSerials(pod::ListAttachedDevices(*bus.driver));
    const std::vector<std::string> serials = request.allPods ? found : request.serials;
    if (serials.empty()) {
        ctx.err << "quobin-cli: no POD is attached\n";
        return kExitFailed;
    }
    bool missing = false;
    std::vector<std::unique_ptr<GangUnit>> units;
    std::vector<UnitOutcome> outcomes(serials.size());
    for (std::size_t i = 0; i < serials.size(); ++i) {
        outcomes[i].serial = serials[i];
        if (std::find(found.begin(), found.end(), serials[i]) == found.end()) {
            missing = true;
            outcomes[i].result = NotRun(serials[i], request.choices,
                                        "no POD with serial number " + serials[i] + " is attached");
            continue;
        }
        auto unit = std::make_unique<GangUnit>(ctx.globals.link, bus, serials[i], clock,
                                               request.logFile);
        if (!unit->linkError().empty()) {
            outcomes[i].result = NotRun(serials[i], request.choices, unit->linkError());
            continue;
        }
        units.push_back(std::move(unit));
    }
    if (missing)
        ctx.err << "quobin-cli: PODs found: " << pod::SerialList(found) << '\n';
    // Those that never ran get their log line here; the others' workers write their own.
    if (!request.logFile.empty()) {
        for (const UnitOutcome& o : outcomes)
            if (!o.result.record.podSerial.empty() &&
                !AppendRunLogLine(request.logFile, ops::RunLogLine(o.result.record)))
                ctx.err << "quobin-cli: cannot append to the log " << request.logFile << '\n';
    }

    for (auto& unit : units)
        unit->Start(request.mode, request.choices);
    if (platform::IsTerminal(stderr) && &ctx.err == &std::cerr) {
        ProgressLines lines(ctx.err);
        const auto busy = [&] {
            return std::any_of(units.begin(), units.end(), [](const auto& u) { return u->Busy(); });
        };
        // The terminal's lines are redrawn a few times a second; the workers never wait
        // for it.
        while (busy()) {
            lines.Draw(units);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        lines.Draw(units);
    }
    for (auto& unit : units)
        unit->Wait();

    bool logFailed = false;
    for (auto& unit : units) {
        for (UnitOutcome& o : outcomes)
            if (o.serial == unit->serial()) o.result = unit->Result();
        logFailed = logFailed || unit->Progress().logFailed;
    }
    if (logFailed) ctx.err << "quobin-cli: cannot append to the log " << request.logFile << '\n';
    // Every worker has ended: their connections close before the emulator saves.
    units.clear();
    if (bus.simulated != nullptr) {
        for (std::size_t i = 0; i < bus.simulated->PodCount(); ++i)
            if (std::string error = bus.simulated->Pod(i).Save(); !error.empty())
                ctx.closingErrors.push_back("cannot save the emulator's state: " + error);
    }

    if (request.json) {
        Json array = Json::array();
        for (const UnitOutcome& o : outcomes)
            array.push_back(JsonOf(o));
        ctx.out << JsonLine(array) << '\n';
    } else {
        PrintTable(ctx.out, outcomes);
    }
    std::vector<std::string> failed;
    for (const UnitOutcome& o : outcomes)
        if (!o.result.ok) failed.push_back(o.serial);
    if (failed.empty()) return kExitOk;
    ctx.err << "quobin-cli: " << failed.size() << " of " << outcomes.size()
            << " PODs failed: " << pod::SerialList(failed) << '\n';
    return kExitFailed;
}

} // namespace cli
