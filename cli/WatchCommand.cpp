#include <CLI/CLI.hpp>

#include "platform/LineRedraw.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/CliLink.h"
#include "cli/GlobalOptions.h"
#include "cli/MonitorCommands.h"
#include "cli/RunInterrupt.h"
#include "monitor/TypedWatchRows.h"
#include "cli/WatchItems.h"
#include "monitor/CycleQueue.h"
#include "monitor/WatchLimits.h"
#include "monitor/MonitorWorker.h"
#include "monitor/RateStats.h"
#include "pod/PodSession.h"
#include "report/CsvText.h"

namespace cli {

namespace {

struct WatchOptions {
    MonitorOptions monitor;
    std::vector<std::string> items;
    std::uint32_t intervalMs = 100;
    std::uint64_t count = 0; // 0: no limit
    double durationS = 0;    // 0: no limit
    std::string csv;         // "-": standard output
};

// The plot number as the shortest text that reads back the same (a FLOAT as the single
// it is, not as the double it was widened to); the text for ASCII.
std::string CsvValue(const monitor::MonitorItem& row)
{
    if (!row.plotValue) return report::CsvField(row.valueText);
    return monitor::ShortestNumberText(row.viewType, *row.plotValue);
}

const monitor::MonitorItem& RowOf(const monitor::Cycle& cycle, const WatchItem& item, int row)
{
    return cycle.Row(item.list, row);
}

// Prints cycles: a table that refreshes in place on a terminal that takes escape
// sequences, a line per cycle on any other terminal and, without CSV, elsewhere; and the
// CSV rows. Each CSV line goes out whole in one write and is flushed, so the file holds
// whole rows whenever the watch ends.
class WatchPrinter {
public:
    WatchPrinter(CommandContext& ctx, const std::vector<WatchItem>& items,
                 const std::vector<int>& rows, std::ostream* csv)
        : m_ctx(ctx), m_items(items), m_rows(rows), m_csv(csv),
          m_redraw(ctx.outIsTerminal && platform::PrepareLineRedraw(stdout).updates ==
                                            platform::LineUpdates::kRedrawInPlace)
    {
        for (const WatchItem& item : items)
            m_labelWidth = std::max(m_labelWidth, item.label.size());
    }

    // False when the CSV output failed (errno says why).
    bool WriteHeader()
    {
        std::string line = "time_ms";
        for (const WatchItem& item : m_items)
            line += ',' + report::CsvField(item.label);
        return WriteCsvLine(line);
    }

    // False when the CSV output failed (errno says why).
    bool Print(const monitor::Cycle& cycle, std::uint32_t elapsedMs)
    {
        if (m_cycles > 0) m_rate.Add(static_cast<double>(elapsedMs - m_lastMs));
        m_lastMs = elapsedMs;
        ++m_cycles;
        if (m_csv != nullptr) {
            std::string line = std::to_string(elapsedMs);
            for (std::size_t i = 0; i < m_items.size(); ++i)
                line += ',' + CsvValue(RowOf(cycle, m_items[i], m_rows[i]));
            if (!WriteCsvLine(line)) return false;
        }
        if (m_csv == &m_ctx.out) return true;
        if (m_redraw) {
            PrintTable(cycle, elapsedMs);
        } else if (m_csv == nullptr || m_ctx.outIsTerminal) {
            m_ctx.out << elapsedMs << " ms:";
            for (std::size_t i = 0; i < m_items.size(); ++i)
                m_ctx.out << "  " << m_items[i].label << " = "
                          << RowOf(cycle, m_items[i], m_rows[i]).valueText;
            m_ctx.out << '\n' << std::flush;
        }
        return true;
    }

private:
    bool WriteCsvLine(std::string line)
    {
        if (m_csv == nullptr) return true;
        line += '\n';
        errno = 0;
        m_csv->write(line.data(), static_cast<std::streamsize>(line.size()));
        m_csv->flush();
        return m_csv->good();
    }

    void PrintTable(const monitor::Cycle& cycle, std::uint32_t elapsedMs)
    {
        // Back to the first line of the table drawn before, then over it.
        if (m_cycles > 1) m_ctx.out << "\x1b[" << m_items.size() + 1 << 'A';
        char line[160];
        const std::string rate = monitor::RateText(m_rate);
        std::snprintf(line, sizeof line, "\r\x1b[Kcycle %llu, %.1f s%s%s (Ctrl+C ends)\n",
                      static_cast<unsigned long long>(m_cycles), elapsedMs / 1000.0, rate.empty() ? "" : ", ",
                      rate.c_str());
        m_ctx.out << line;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            m_ctx.out << "\r\x1b[K" << m_items[i].label
                      << std::string(m_labelWidth - m_items[i].label.size() + 2, ' ')
                      << RowOf(cycle, m_items[i], m_rows[i]).valueText << '\n';
        }
        m_ctx.out << std::flush;
    }

    CommandContext& m_ctx;
    const std::vector<WatchItem>& m_items;
    const std::vector<int>& m_rows;
    std::ostream* m_csv;
    const bool m_redraw;
    std::size_t m_labelWidth = 0;
    std::uint64_t m_cycles = 0;
    std::uint32_t m_lastMs = 0;
    monitor::RateStats m_rate;

public:
    // The rate the cycles were read at, as polling reached it.
    const monitor::RateStats& rate() const { return m_rate; }
};

// Lists the items in a watch list; `rows` gets each item's row. False when two items
// name the same variable (they would share one row and one view type).
bool FillWatchList(CommandContext& ctx, const monitor::SymbolTable& table,
                   const std::vector<WatchItem>& items, monitor::WatchList& watchList,
                   std::vector<int>& rows)
{
    for (const WatchItem& item : items) {
        const bool added = monitor::AddItemRow(table, item, watchList);
        if (!added) {
            UsageError(ctx, item.label + " names a variable that is watched already");
            return false;
        }
        const int row = watchList.RowCount(item.list) - 1;
        watchList.SetViewType(item.list, row, item.viewType);
        rows.push_back(row);
    }
    return true;
}

// --duration in milliseconds, 0 without it. A duration shorter than a millisecond still
// ends the watch.
std::uint64_t DurationMs(double durationS)
{
    return durationS > 0 ? std::max<std::uint64_t>(
                               1, static_cast<std::uint64_t>(std::ceil(durationS * 1000.0)))
                         : 0;
}

// How the cycles of a watch went: how many were printed, and whether the monitoring or
// the CSV output failed.
struct WatchedCycles {
    std::uint64_t printed = 0;
    bool failed = false;
    bool csvFailed = false;
};

// Prints the worker's cycles until --count, --duration, Ctrl+C or a failure ends them.
WatchedCycles PrintCycles(const WatchOptions& o, const station::CancelToken& interrupted,
                          const std::vector<WatchItem>& items,
                          const std::vector<int>& rows, monitor::CycleQueue& cycles,
                          pod::PodClock& clock, std::uint32_t startMs, WatchPrinter& printer)
{
    WatchedCycles watched;
    const std::uint64_t durationMs = DurationMs(o.durationS);
    while (!interrupted.Requested() && (o.count == 0 || watched.printed < o.count)) {
        // Once the time is up, the cycles that started within it are still printed.
        const bool timeUp = durationMs > 0 && clock.NowMs() - startMs >= durationMs;
        std::optional<monitor::Cycle> cycle =
            cycles.Next(std::chrono::milliseconds(timeUp ? 0 : 50), watched.failed);
        if (cycle) {
            monitor::ShowTypedValues(o.monitor.types, items, rows, cycle->symbolRows);
            const std::uint32_t elapsedMs = cycle->nowMs - startMs;
            if (durationMs > 0 && elapsedMs >= durationMs) break;
            if (!printer.Print(*cycle, elapsedMs)) {
                watched.csvFailed = true;
                break;
            }
            ++watched.printed;
        } else if (watched.failed || timeUp) {
            break;
        }
    }
    return watched;
}

// Runs the monitoring worker on the open POD and prints what it reads.
int WatchPod(const WatchOptions& o, CommandContext& ctx, CliLink& pod,
             const station::CancelToken& interrupted, monitor::WatchList& watchList,
             const std::vector<WatchItem>& items, const std::vector<int>& rows,
             WatchPrinter& printer)
{
    monitor::CycleQueue cycles(watchList);
    monitor::MonitorWorker worker(pod.session(), watchList, cycles);
    worker.SetIntervalMs(o.intervalMs);
    worker.SetCycleLimit(o.count);
    worker.SetStopWhenReopenDoesNotHelp(true);
    pod::PodClock& clock = pod.session().clock();
    const std::uint32_t startMs = clock.NowMs();
    if (!worker.Start(monitor::BaudIndex(o.monitor.baud))) {
        ctx.err << "quobin-cli: the POD could not be opened for monitoring\n";
        pod.TraceResult(false, "the POD could not be opened for monitoring");
        return kExitFailed;
    }
    const WatchedCycles watched =
        PrintCycles(o, interrupted, items, rows, cycles, clock, startMs, printer);
    worker.StopAndJoin();
    if (watched.csvFailed) {
        pod.TraceResult(false,
                        "CSV output failed after " + std::to_string(watched.printed) + " cycles");
        return CsvOutputFailed(ctx, o.csv);
    }
    if (watched.failed) {
        const std::string text = "the watch ended after " + std::to_string(watched.printed) +
                                 " cycles: " + cycles.failure();
        ctx.err << "quobin-cli: " << text << '\n';
        pod.TraceResult(false, text);
        return kExitFailed;
    }
    pod.TraceResult(true, std::to_string(watched.printed) + " cycles");
    if (const monitor::RateStats& rate = printer.rate(); rate.intervals > 0) {
        char longest[32];
        std::snprintf(longest, sizeof longest, "%.0f", rate.longestMs);
        ctx.err << "quobin-cli: " << watched.printed << " cycles at " << monitor::RateText(rate)
                << ", the longest interval " << longest << " ms\n";
    }
    return kExitOk;
}

int RunWatch(WatchOptions& o, CommandContext& ctx)
{
    monitor::SymbolTable table;
    std::vector<WatchItem> items;
    if (const int status = PrepareWatchItems(ctx, o.monitor, o.items, table, items);
        status != kExitOk)
        return status;
    monitor::WatchList watchList;
    std::vector<int> rows;
    if (!FillWatchList(ctx, table, items, watchList, rows)) return kExitUsage;

    // Ctrl+C from here on ends the watch through the normal path, so the CSV file holds
    // its header and whole rows whenever it comes.
    station::CancelToken interrupted;
    RunInterrupt interrupt(interrupted);
    std::ofstream csvFile;
    std::ostream* csv = nullptr;
    if (!OpenCsvOutput(ctx, o.csv, csvFile, csv)) return kExitFailed;
    WatchPrinter printer(ctx, items, rows, csv);
    if (!printer.WriteHeader()) return CsvOutputFailed(ctx, o.csv);

    int exitCode = kExitOk;
    auto pod = OpenPodForMonitoring(ctx, o.monitor, exitCode);
    if (!pod) return exitCode;
    return WatchPod(o, ctx, *pod, interrupted, watchList, items, rows, printer);
}

} // namespace

void AddWatchCommand(CLI::App& app, CommandList& commands)
{
    auto o = std::make_shared<WatchOptions>();
    CLI::App* sub = AddSubcommand(
        app, "watch", "Read target variables at an interval until Ctrl+C, --count or --duration");
    sub->add_option("item", o->items, "Symbol name or word address, optionally :VIEW")->required();
    AddMonitorOptions(*sub, o->monitor, true);
    AddBaudOption(*sub, o->monitor);
    sub->add_option("--interval", o->intervalMs, "Milliseconds from one cycle to the next")
        ->check(CLI::Range(1u, monitor::kMaxWatchIntervalMs));
    auto* count = sub->add_option("--count", o->count, "Stop after this many cycles")
                      ->check(CLI::PositiveNumber);
    sub->add_option("--duration", o->durationS, "Stop after this many seconds")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                // The millisecond clock wraps after 49 days; NaN passes a "> 0" test.
                double seconds = 0;
                if (!CLI::detail::lexical_cast(text, seconds) || !(seconds > 0) ||
                    seconds > monitor::kMaxWatchDurationS)
                    return "a number of seconds above 0 and at most " +
                           std::to_string(static_cast<int>(monitor::kMaxWatchDurationS)) +
                           " is needed";
                return {};
            },
            "SECONDS"))
        ->excludes(count);
    sub->add_option("--csv", o->csv,
                    "Write time_ms and each item's value per cycle to FILE (- for "
                    "standard output)");
    commands.push_back({sub, [o](CommandContext& ctx) { return RunWatch(*o, ctx); }});
}

} // namespace cli
