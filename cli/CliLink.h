#pragma once

#include "cli/CommandContext.h"
#include "cli/ConsoleView.h"
#include "ops/MonitorControl.h"
#include "pod/PodClock.h"
#include "station/Station.h"

#include <memory>
#include <string>

namespace cli {

// The one POD a subcommand talks to, on the station built from the shared options, with
// the console it reports to.
class CliLink {
public:
    // Null after printing why (exitCode then says how to exit). With choosePod the unit
    // is tied to the POD --serial names, which must be attached; without --serial and
    // with several PODs attached, to the first one listed, and the user is told which.
    // With a run log, each flash run appends its line there.
    static std::unique_ptr<CliLink> Open(CommandContext& ctx, bool quiet, int& exitCode,
                                         bool choosePod = true, const std::string& runLog = {});

    // Closes the unit, then the station, and tells the context when the emulator's
    // state could not be saved.
    ~CliLink();
    CliLink(const CliLink&) = delete;
    CliLink& operator=(const CliLink&) = delete;

    station::Station& station() { return *m_station; }
    station::PodUnit& unit() { return *m_unit; }
    pod::PodSession& session() { return m_unit->session(); }
    pod::UsbDriver& driver() { return m_station->driver(); }
    ConsoleView& view() { return *m_view; }
    void TraceNote(const std::string& text) { m_unit->TraceNote(text); }
    void TraceResult(bool ok, const std::string& text) { m_unit->TraceResult(ok, text); }

private:
    CliLink() = default;

    CommandContext* m_ctx = nullptr;
    pod::SteadyPodClock m_steadyClock;
    std::unique_ptr<station::Station> m_station;
    std::unique_ptr<ConsoleView> m_view;
    ops::MonitorControl m_noMonitoring;
    std::unique_ptr<station::PodUnit> m_unit;
};

} // namespace cli
