#include "cli/CliPod.h"

#include <unistd.h>

namespace cli {

podlink::LinkOptions LinkOptionsFrom(const GlobalOptions& g)
{
    podlink::LinkOptions o;
    o.simulate = g.simulate || podlink::SimulateFromEnvironment();
    o.driver = g.driver;
    o.defaultWire = sim::WireMode::kInstant;
    o.tracePath = g.trace;
    auto add = [&o](const char* name, const std::string& value) {
        o.simOptions.emplace_back(name, value);
    };
    if (!g.simMcu.empty()) add("mcu", g.simMcu);
    if (g.simSecured) add("secured", "");
    if (g.simNoTarget) add("no-target", "");
    if (g.simBoot) add("boot", "");
    if (!g.simVersion.empty()) add("version", g.simVersion);
    for (const auto& fault : g.simFaults)
        add("fault", fault);
    if (!g.simWire.empty()) add("wire", g.simWire);
    if (!g.simState.empty()) add("state", g.simState);
    for (const auto& device : g.simDevices)
        add("device", device);
    return o;
}

std::unique_ptr<CliPod> CliPod::Open(CommandContext& ctx, bool quiet, int& exitCode)
{
    std::unique_ptr<CliPod> pod(new CliPod);
    if (ctx.clock) pod->m_clock = ctx.clock;
    pod->m_link = podlink::MakePodLink(LinkOptionsFrom(ctx.globals), *pod->m_clock);
    if (!pod->m_link.error.empty()) {
        exitCode = UsageError(ctx, pod->m_link.error);
        return nullptr;
    }
    pod->m_session = std::make_unique<pod::PodSession>(*pod->m_link.driver, *pod->m_clock);
    pod->m_view =
        std::make_unique<ConsoleView>(ctx.out, ctx.err, quiet, isatty(STDERR_FILENO) != 0);
    pod->m_runner = std::make_unique<ops::OperationRunner>(
        *pod->m_session, pod->m_selection, pod->m_images, *pod->m_view, pod->m_noMonitoring);
    exitCode = kExitOk;
    return pod;
}

} // namespace cli
