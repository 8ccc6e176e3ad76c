#include "cli/CliPod.h"

namespace cli {

std::unique_ptr<CliPod> CliPod::Open(CommandContext& ctx, bool quiet, int& exitCode,
                                     bool choosePod)
{
    std::unique_ptr<CliLink> link = CliLink::Open(ctx, quiet, exitCode, choosePod);
    if (!link) return nullptr;
    std::unique_ptr<CliPod> pod(new CliPod(std::move(link)));
    pod->m_core = std::make_unique<ops::Programmer>(pod->session(), pod->view(), pod->m_noMonitoring);
    CliPod* self = pod.get();
    pod->m_core->runner.SetTraceNote([self](const std::string& text) { self->TraceNote(text); });
    return pod;
}

CliPod::~CliPod()
{
    // The runner's worker ends before the link closes the session and saves the state.
    m_core.reset();
}

} // namespace cli
