#include <CLI/CLI.hpp>

#include "platform/Interrupt.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <memory>

#include "cli/CliLink.h"
#include "cli/GlobalOptions.h"
#include "cli/JsonText.h"
#include "cli/MonitorCommands.h"
#include "cli/RunInterrupt.h"
#include "cli/WatchItems.h"
#include "monitor/RecordCapture.h"
#include "monitor/RecorderSymbol.h"
#include "monitor/ValueText.h"
#include "report/CsvText.h"
#include "report/OutcomeText.h"

namespace cli {

namespace {

struct RecordOptions {
    MonitorOptions monitor;
    std::vector<std::string> items;
    std::uint16_t divider = 1;
    std::uint16_t samples = 512;
    std::uint16_t preTrigger = 0;
    std::string trigger; // ITEM:EDGE:LEVEL
    std::uint32_t loopHz = 10000;
    std::uint32_t intervalMs = 100;
    std::string csv; // "-": standard output
};

struct TriggerText {
    std::string item;
    monitor::recorder::Edge edge = monitor::recorder::Edge::Rising;
    double level = 0;
};

// ITEM:EDGE:LEVEL, read from the right, as the item may carry a ":VIEW" of its own.
std::string ParseTrigger(const std::string& text, TriggerText& trigger)
{
    const auto levelAt = text.rfind(':');
    const auto edgeAt = levelAt == std::string::npos || levelAt == 0 ? std::string::npos : text.rfind(':', levelAt - 1);
    if (edgeAt == std::string::npos || edgeAt == 0)
        return "--trigger takes ITEM:EDGE:LEVEL, for example triangle:rising:500";
    trigger.item = text.substr(0, edgeAt);
    const std::string edge = text.substr(edgeAt + 1, levelAt - edgeAt - 1);
    if (edge == "rising") trigger.edge = monitor::recorder::Edge::Rising;
    else if (edge == "falling") trigger.edge = monitor::recorder::Edge::Falling;
    else if (edge == "either") trigger.edge = monitor::recorder::Edge::Either;
    else return "--trigger: the edge is rising, falling or either, not '" + edge + "'";
    const std::string level = text.substr(levelAt + 1);
    const char* end = level.data() + level.size();
    const auto read = std::from_chars(level.data(), end, trigger.level);
    if (level.empty() || read.ec != std::errc() || read.ptr != end)
        return "--trigger: the level '" + level + "' is not a number";
    return {};
}

std::string SecondsText(std::int64_t ns)
{
    return monitor::ShortestNumberText(monitor::HEX32, static_cast<double>(ns) / 1e9);
}

bool WriteCsv(std::ostream& out, const monitor::Recording& recording)
{
    std::string text = "sample,time_s";
    for (const auto& channel : recording.channels) text += ',' + report::CsvField(channel.label);
    text += '\n';
    for (std::size_t i = 0; i < recording.size(); ++i) {
        text += std::to_string(i) + ',' + SecondsText(recording.TimeNs(i));
        for (const auto& channel : recording.channels)
            text += ',' + monitor::ShortestNumberText(channel.viewType, channel.values[i].value_or(0));
        text += '\n';
    }
    errno = 0;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return out.good();
}

Json RecordingJson(const monitor::Recording& recording)
{
    Json items = Json::array();
    for (const auto& channel : recording.channels) {
        Json values = Json::array();
        const bool whole = monitor::HasWholeValues(channel.viewType);
        for (const auto& value : channel.values) {
            if (whole) values.push_back(static_cast<std::int64_t>(value.value_or(0)));
            else values.push_back(value.value_or(0));
        }
        items.push_back({{"item", JsonText(channel.label)},
                         {"view", monitor::ViewTypeName(channel.viewType)},
                         {"values", std::move(values)}});
    }
    return {{"samples", recording.size()},
            {"period_ns", recording.periodNs},
            {"trigger_sample", recording.triggerSample},
            {"items", std::move(items)}};
}

// Tells where the capture stands on standard error: each phase once, and on a terminal
// the samples taken about once a second while it waits.
class RecordReporter {
public:
    RecordReporter(CommandContext& ctx, pod::PodClock& clock, const station::CancelToken& interrupted)
        : m_ctx(ctx), m_clock(clock), m_interrupted(interrupted)
    {
    }

    bool operator()(const monitor::RecordProgress& progress)
    {
        using monitor::recorder::State;
        const int phase = progress.phase == monitor::RecordProgress::Phase::Uploading ? 3
                          : progress.status.state == State::Triggered                 ? 2
                                                                                      : 1;
        if (phase != m_phase) {
            m_phase = phase;
            if (phase == 1) m_ctx.err << "quobin-cli: armed; waiting for the trigger (Ctrl+C stops)\n";
            if (phase == 2) m_ctx.err << "quobin-cli: triggered; taking the samples after it\n";
            if (phase == 3) m_ctx.err << "quobin-cli: uploading " << progress.bufferWords << " words\n";
        }
        const std::uint32_t now = m_clock.NowMs();
        if (phase < 3 && m_ctx.outIsTerminal && now - m_lastMs >= 1000) {
            m_lastMs = now;
            m_ctx.err << "quobin-cli: " << progress.status.samples << " samples taken\n";
        }
        return !m_interrupted.Requested();
    }

private:
    CommandContext& m_ctx;
    pod::PodClock& m_clock;
    const station::CancelToken& m_interrupted;
    int m_phase = 0;
    std::uint32_t m_lastMs = 0;
};

int RunRecord(RecordOptions& o, CommandContext& ctx)
{
    if (o.preTrigger >= o.samples)
        return UsageError(ctx, "--pretrigger " + std::to_string(o.preTrigger) + " leaves no sample of the " +
                                   std::to_string(o.samples) + " for the trigger and after it");
    std::vector<std::string> texts = o.items;
    TriggerText trigger;
    if (!o.trigger.empty()) {
        if (std::string why = ParseTrigger(o.trigger, trigger); !why.empty()) return UsageError(ctx, why);
        // A trigger item not listed is recorded too: the recorder compares its samples.
        if (std::find(texts.begin(), texts.end(), trigger.item) == texts.end()) texts.push_back(trigger.item);
    }
    monitor::SymbolTable table;
    monitor::RecordRequest request;
    if (const int status = PrepareWatchItems(ctx, o.monitor, texts, table, request.items); status != kExitOk)
        return status;
    std::vector<monitor::RecorderChannel> channels;
    if (std::string why = monitor::RecorderChannelsOf(request.items, channels); !why.empty())
        return UsageError(ctx, why);
    request.divider = o.divider;
    request.samples = o.samples;
    request.preTrigger = o.preTrigger;
    request.loopHz = o.loopHz;
    request.pollMs = o.intervalMs;
    if (!o.trigger.empty()) {
        const auto at = std::find(texts.begin(), texts.end(), trigger.item) - texts.begin();
        request.triggerItem = static_cast<std::size_t>(at);
        request.edge = trigger.edge;
        request.level = trigger.level;
        std::int32_t raw = 0;
        if (std::string why = monitor::TriggerLevelOf(request.items[request.triggerItem.value()], trigger.level, raw);
            !why.empty())
            return UsageError(ctx, why);
    }
    const monitor::RecorderLookup recorder = monitor::FindRecorder(table, o.monitor.types);
    if (!recorder.place) {
        ctx.err << "quobin-cli: " << recorder.error << '\n';
        return kExitFailed;
    }

    std::ofstream csvFile;
    std::ostream* csv = nullptr;
    if (!OpenCsvOutput(ctx, o.csv, csvFile, csv)) return kExitFailed;

    station::CancelToken interrupted;
    RunInterrupt interrupt(interrupted);
    int exitCode = kExitOk;
    auto pod = OpenPodAtMonitorBaud(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;
    pod::PodClock& clock = pod->session().clock();
    RecordReporter reporter(ctx, clock, interrupted);
    monitor::Recording recording;
    const monitor::RecordResult result = monitor::RecordCapture(
        pod->session(), clock, o.monitor.types, recorder.place->address, request, std::ref(reporter), recording);
    if (result.interrupted) {
        ctx.err << "quobin-cli: interrupted; the recorder was stopped\n";
        pod->TraceResult(false, "interrupted");
        return platform::kInterruptedExitStatus;
    }
    if (!result.ok()) {
        const std::string why = !result.result.refusal.empty() ? result.result.refusal
                                                                : report::DescribeOutcome(result.result.outcome);
        ctx.err << "quobin-cli: the capture failed: " << why << '\n';
        pod->TraceResult(false, why);
        return kExitFailed;
    }
    pod->TraceResult(true, std::to_string(recording.size()) + " samples recorded");

    if (csv != nullptr && !WriteCsv(*csv, recording)) return CsvOutputFailed(ctx, o.csv);
    if (ctx.globals.json) {
        if (csv != &ctx.out) ctx.out << JsonLine(RecordingJson(recording)) << '\n';
    } else if (csv != &ctx.out) {
        ctx.out << "recorded " << recording.size() << " samples of " << recording.channels.size()
                << " items, one every " << monitor::ShortestNumberText(monitor::HEX32, recording.periodNs / 1000.0) << " us ("
                << o.loopHz << " Hz / " << o.divider << "), the trigger at sample " << recording.triggerSample
                << '\n';
    }
    return kExitOk;
}

} // namespace

void AddRecordCommand(CLI::App& app, CommandList& commands)
{
    auto o = std::make_shared<RecordOptions>();
    CLI::App* sub = AddSubcommand(app, "record",
                                  "Capture target variables at the control loop's own rate with the firmware's "
                                  "recorder (target/quobin_recorder.c), then upload them");
    sub->add_option("item", o->items, "Symbol name or word address, optionally :VIEW (up to 8)")->required();
    AddMonitorOptions(*sub, o->monitor, true);
    AddBaudOption(*sub, o->monitor);
    sub->add_option("--divider", o->divider, "Take a sample every N calls of the recorder")
        ->check(CLI::Range(1, 65535));
    sub->add_option("--samples", o->samples, "Samples in all, the pre-trigger ones included")
        ->check(CLI::Range(1, 65535));
    sub->add_option("--pretrigger", o->preTrigger, "Samples kept from before the trigger");
    sub->add_option("--trigger", o->trigger,
                    "ITEM:EDGE:LEVEL: start at ITEM crossing LEVEL, EDGE rising, falling or either; "
                    "without it the capture starts at once");
    sub->add_option("--loop-hz", o->loopHz, "How often the firmware calls QuobinRecorder_Sample, for the times")
        ->check(CLI::Range(1u, 10000000u));
    sub->add_option("--interval", o->intervalMs, "Milliseconds between two looks at the recorder's state")
        ->check(CLI::Range(1u, 60000u));
    sub->add_option("--csv", o->csv, "Write sample, time_s and each item's value to FILE (- for standard output)");
    commands.push_back({sub, [o](CommandContext& ctx) { return RunRecord(*o, ctx); }});
}

} // namespace cli
