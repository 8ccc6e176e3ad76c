#pragma once

#include "cli/CliLink.h"
#include "ops/MonitorControl.h"
#include "ops/Programmer.h"

#include <memory>

namespace cli {

// A link (CliLink) with the programming core the window uses too, for the commands that
// program, reset or update. Torn down in reverse: the runner's worker first, the link
// last.
class CliPod {
public:
    // Null after printing why (exitCode then says how to exit).
    static std::unique_ptr<CliPod> Open(CommandContext& ctx, bool quiet, int& exitCode,
                                        bool choosePod = true);

    ~CliPod();
    CliPod(const CliPod&) = delete;
    CliPod& operator=(const CliPod&) = delete;

    pod::PodSession& session() { return m_link->session(); }
    pod::UsbDriver& driver() { return m_link->driver(); }
    ops::OperationRunner& runner() { return m_core->runner; }
    ConsoleView& view() { return m_link->view(); }
    void TraceNote(const std::string& text) { m_link->TraceNote(text); }
    void TraceResult(bool ok, const std::string& text) { m_link->TraceResult(ok, text); }

private:
    explicit CliPod(std::unique_ptr<CliLink> link) : m_link(std::move(link)) {}

    std::unique_ptr<CliLink> m_link;
    ops::MonitorControl m_noMonitoring;
    std::unique_ptr<ops::Programmer> m_core;
};

} // namespace cli
