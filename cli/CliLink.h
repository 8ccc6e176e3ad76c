#pragma once

#include "cli/CommandContext.h"
#include "cli/ConsoleView.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "podlink/PodLink.h"

#include <memory>
#include <string>

namespace cli {

// The connection a subcommand talks to the POD through, built from the shared options:
// the USB back end (the emulator in instant wire mode unless --sim-wire says otherwise),
// the session and the console it reports to. Commands on target memory need nothing
// more; the programming commands add the operation machinery (CliPod).
class CliLink {
public:
    // Null after printing why (exitCode then says how to exit). With choosePod the session
    // is tied to the POD --serial names, which must be attached; without --serial and
    // with several PODs attached, to the first one listed, and the user is told which.
    static std::unique_ptr<CliLink> Open(CommandContext& ctx, bool quiet, int& exitCode,
                                         bool choosePod = true);

    // Closes the session, then saves the emulator's state, if any, and tells the context
    // when that fails.
    ~CliLink();
    CliLink(const CliLink&) = delete;
    CliLink& operator=(const CliLink&) = delete;

    pod::PodSession& session() { return *m_session; }
    pod::UsbDriver& driver() { return *m_link.driver; }
    ConsoleView& view() { return *m_view; }
    // A line for the trace, when there is one (--trace); nothing otherwise.
    void TraceNote(const std::string& text);
    // The trace's last line for a command: "result: ok, TEXT" or "result: failed, TEXT".
    void TraceResult(bool ok, const std::string& text);

private:
    CliLink() = default;

    CommandContext* m_ctx = nullptr;
    pod::SteadyPodClock m_steadyClock;
    pod::PodClock* m_clock = &m_steadyClock;
    podlink::PodLink m_link;
    std::unique_ptr<pod::PodSession> m_session;
    std::unique_ptr<ConsoleView> m_view;
};

} // namespace cli
