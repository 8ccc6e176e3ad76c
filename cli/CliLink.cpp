#include "cli/CliLink.h"

#include "platform/Console.h"
#include "pod/AttachedDevices.h"

namespace cli {

std::unique_ptr<CliLink> CliLink::Open(CommandContext& ctx, bool quiet, int& exitCode,
                                       bool choosePod, const std::string& runLog)
{
    std::unique_ptr<CliLink> link(new CliLink);
    pod::PodClock& clock = ctx.clock != nullptr ? *ctx.clock : link->m_steadyClock;
    station::Station::Opening opening = station::Station::Open(ctx.globals.link, clock);
    if (!opening.station) {
        if (opening.usage) {
            exitCode = UsageError(ctx, opening.error);
        } else {
            ctx.err << "quobin-cli: " << opening.error << '\n';
            exitCode = kExitFailed;
        }
        return nullptr;
    }
    link->m_station = std::move(opening.station);
    link->m_ctx = &ctx;
    if (choosePod) {
        const std::vector<std::string>& wanted = ctx.globals.link.serials;
        if (wanted.size() > 1) {
            exitCode = UsageError(ctx, "--serial is given " + std::to_string(wanted.size()) +
                                           " times; only program and pod-write work on several PODs");
            return nullptr;
        }
        const station::PodChoice choice = link->m_station->ChoosePod(
            wanted.empty() ? std::nullopt : std::optional<std::string>(wanted.front()));
        if (!choice.ok) {
            ctx.err << "quobin-cli: " << choice.error << '\n';
            exitCode = kExitFailed;
            return nullptr;
        }
        if (choice.pickedFirst)
            ctx.err << "quobin-cli: " << choice.found.size() << " PODs attached ("
                    << pod::SerialList(choice.found) << "); using " << choice.serial
                    << " (choose one with --serial)\n";
    }
    link->m_view =
        std::make_unique<ConsoleView>(ctx.out, ctx.err, quiet, platform::IsTerminal(stderr));
    link->m_station->records().SetRunLog(runLog);
    link->m_unit = link->m_station->OpenUnit(*link->m_view, link->m_noMonitoring);
    exitCode = kExitOk;
    return link;
}

CliLink::~CliLink()
{
    // The unit goes first, so that the state saved is the final one.
    m_unit.reset();
    if (!m_station) return;
    for (std::string& note : m_station->UnfiredFaults())
        m_ctx->closingNotes.push_back(std::move(note));
    for (std::string& error : m_station->Close())
        m_ctx->closingErrors.push_back(std::move(error));
}

} // namespace cli
