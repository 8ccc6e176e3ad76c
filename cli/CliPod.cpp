#include "cli/CliPod.h"

#include "pod/TracingUsbDriver.h"
#include "sim/SimUsbDriver.h"

#include <unistd.h>

namespace cli {

std::unique_ptr<CliPod> CliPod::Open(CommandContext& ctx, bool quiet, int& exitCode)
{
    std::unique_ptr<CliPod> pod(new CliPod);
    if (ctx.clock) pod->m_clock = ctx.clock;
    pod->m_link = podlink::MakePodLink(ctx.globals.link, *pod->m_clock);
    if (pod->m_link.failed) {
        ctx.err << "quobin-cli: " << pod->m_link.error << '\n';
        exitCode = kExitFailed;
        return nullptr;
    }
    if (!pod->m_link.error.empty()) {
        exitCode = UsageError(ctx, pod->m_link.error);
        return nullptr;
    }
    pod->m_ctx = &ctx;
    pod->m_session = std::make_unique<pod::PodSession>(*pod->m_link.driver, *pod->m_clock);
    pod->m_view =
        std::make_unique<ConsoleView>(ctx.out, ctx.err, quiet, isatty(STDERR_FILENO) != 0);
    pod->m_runner = std::make_unique<ops::OperationRunner>(
        *pod->m_session, pod->m_selection, pod->m_images, *pod->m_view, pod->m_noMonitoring);
    CliPod* self = pod.get();
    pod->m_runner->SetTraceNote([self](const std::string& text) { self->TraceNote(text); });
    exitCode = kExitOk;
    return pod;
}

CliPod::~CliPod()
{
    // The runner's worker and the session go first, so that the state saved is the
    // final one and nothing changes it afterwards.
    m_runner.reset();
    m_session.reset();
    if (m_link.simulated == nullptr || m_ctx == nullptr) return;
    if (std::string error = m_link.simulated->Pod().Save(); !error.empty())
        m_ctx->closingErrors.push_back("cannot save the emulator's state: " + error);
}

void CliPod::TraceNote(const std::string& text)
{
    if (m_link.tracer != nullptr) m_link.tracer->Note(text);
}

void CliPod::TraceResult(bool ok, const std::string& text)
{
    TraceNote(std::string("result: ") + (ok ? "ok, " : "failed, ") + text);
}

} // namespace cli
