#include "cli/CliLink.h"

#include "pod/TracingUsbDriver.h"
#include "sim/SimUsbDriver.h"
#include "platform/Console.h"

namespace cli {

std::unique_ptr<CliLink> CliLink::Open(CommandContext& ctx, bool quiet, int& exitCode)
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
    if (std::string error = m_link.simulated->Pod().Save(); !error.empty())
        m_ctx->closingErrors.push_back("cannot save the emulator's state: " + error);
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
