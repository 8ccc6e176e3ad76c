#include "cli/CliLink.h"

#include "pod/AttachedDevices.h"
#include "pod/TracingUsbDriver.h"
#include "sim/SimUsbDriver.h"
#include "platform/Console.h"

#include <algorithm>

namespace cli {

namespace {

// Ties the session to one POD by its serial number; false after printing why not.
bool ChoosePod(CommandContext& ctx, pod::PodSession& session, int& exitCode)
{
    const std::vector<std::string>& wanted = ctx.globals.link.serials;
    if (wanted.size() > 1) {
        exitCode = UsageError(ctx, "--serial is given " + std::to_string(wanted.size()) +
                                       " times; only program and pod-write work on several PODs");
        return false;
    }
    const std::vector<std::string> found =
        pod::PodSerials(pod::ListAttachedDevices(session.driver()));
    if (wanted.size() == 1) {
        if (std::find(found.begin(), found.end(), wanted.front()) == found.end()) {
            ctx.err << "quobin-cli: no POD with serial number " << wanted.front()
                    << " is attached (PODs found: " << pod::SerialList(found) << ")\n";
            exitCode = kExitFailed;
            return false;
        }
        session.SetSerial(wanted.front());
    } else if (found.size() > 1) {
        // Opened by its description, one of several PODs would be whichever the driver
        // picks; the first listed is at least the same one every time, and named.
        session.SetSerial(found.front());
        ctx.err << "quobin-cli: " << found.size() << " PODs attached (" << pod::SerialList(found)
                << "); using " << found.front() << " (choose one with --serial)\n";
    }
    return true;
}

} // namespace

std::unique_ptr<CliLink> CliLink::Open(CommandContext& ctx, bool quiet, int& exitCode,
                                       bool choosePod)
{
    std::unique_ptr<CliLink> link(new CliLink);
    if (ctx.clock) link->m_clock = ctx.clock;
    link->m_link = podlink::MakePodLink(ctx.globals.link, *link->m_clock);
    if (link->m_link.failed) {
        ctx.err << "quobin-cli: " << link->m_link.error << '\n';
        exitCode = kExitFailed;
        return nullptr;
    }
    if (!link->m_link.error.empty()) {
        exitCode = UsageError(ctx, link->m_link.error);
        return nullptr;
    }
    link->m_ctx = &ctx;
    link->m_session = std::make_unique<pod::PodSession>(*link->m_link.driver, *link->m_clock);
    if (choosePod && !ChoosePod(ctx, *link->m_session, exitCode)) return nullptr;
    link->m_view =
        std::make_unique<ConsoleView>(ctx.out, ctx.err, quiet, platform::IsTerminal(stderr));
    exitCode = kExitOk;
    return link;
}

CliLink::~CliLink()
{
    // The session goes first, so that the state saved is the final one and nothing
    // changes it afterwards.
    m_session.reset();
    if (m_link.simulated == nullptr || m_ctx == nullptr) return;
    for (std::size_t i = 0; i < m_link.simulated->PodCount(); ++i) {
        if (std::string error = m_link.simulated->Pod(i).Save(); !error.empty())
            m_ctx->closingErrors.push_back("cannot save the emulator's state: " + error);
    }
}

void CliLink::TraceNote(const std::string& text)
{
    if (m_link.tracer != nullptr) m_link.tracer->Note(text);
}

void CliLink::TraceResult(bool ok, const std::string& text)
{
    TraceNote(std::string("result: ") + (ok ? "ok, " : "failed, ") + text);
}

} // namespace cli
