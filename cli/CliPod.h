#pragma once

#include "cli/CommandContext.h"
#include "cli/ConsoleView.h"
#include "image/FlashImageSet.h"
#include "image/McuSelection.h"
#include "ops/MonitorControl.h"
#include "ops/OperationRunner.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "podlink/PodLink.h"

#include <memory>

namespace cli {

// Everything a POD subcommand works with, built from the shared options: the USB back
// end (the emulator in instant wire mode unless --sim-wire says otherwise), the session,
// the images and the same operation runner the window uses, reporting to the console.
// Members are torn down in reverse: the runner's worker first, the driver last.
class CliPod {
public:
    // Null after printing why (exitCode then says how to exit).
    static std::unique_ptr<CliPod> Open(CommandContext& ctx, bool quiet, int& exitCode);

    // Saves the emulator's state, if any, and tells the context when that fails.
    ~CliPod();
    CliPod(const CliPod&) = delete;
    CliPod& operator=(const CliPod&) = delete;

    pod::PodSession& session() { return *m_session; }
    pod::UsbDriver& driver() { return *m_link.driver; }
    ops::OperationRunner& runner() { return *m_runner; }
    ConsoleView& view() { return *m_view; }
    // A line for the trace, when there is one (--trace); nothing otherwise.
    void TraceNote(const std::string& text);
    // The trace's last line for a command: "result: ok, TEXT" or "result: failed, TEXT".
    void TraceResult(bool ok, const std::string& text);

private:
    CliPod() = default;

    CommandContext* m_ctx = nullptr;
    pod::SteadyPodClock m_steadyClock;
    pod::PodClock* m_clock = &m_steadyClock;
    podlink::PodLink m_link;
    std::unique_ptr<pod::PodSession> m_session;
    image::McuSelection m_selection;
    image::FlashImageSet m_images;
    std::unique_ptr<ConsoleView> m_view;
    ops::MonitorControl m_noMonitoring;
    std::unique_ptr<ops::OperationRunner> m_runner;
};

} // namespace cli
