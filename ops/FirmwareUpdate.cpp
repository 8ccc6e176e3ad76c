#include "ops/FirmwareUpdate.h"

#include "report/Messages.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "report/StatusSink.h"
#include "report/SessionReport.h"

namespace ops {

namespace {
constexpr std::size_t kBootBlockBytes = 256;
}

bool FirmwareUpdate(pod::PodSession& session, report::StatusSink& view,
                    std::span<const std::uint8_t> firmware)
{
    view.SetStatusText("Firmware updateing...");
    // The POD is first detected and opened as for any command, which tells a missing
    // POD from one that is there; the boot configuration then replaces that handle.
    bool ok = report::EnsurePodSession(session, view);
    session.ClosePodSession();
    ok = ok && session.OpenPodBootSession() && pod::BootSync(session) && pod::BootEraseAll(session);

    const std::size_t blocks = (firmware.size() + kBootBlockBytes - 1) / kBootBlockBytes;
    view.SetProgressRange(static_cast<int>(blocks) - 1);
    view.SetProgressStep(1);
    for (std::size_t k = 0; ok && k < blocks; ++k) {
        if (k > 0) view.StepProgress();
        ok = pod::BootWriteBlock(session, firmware, k * kBootBlockBytes);
    }
    view.SetProgressPos(0);
    view.ReportStatus(ok ? report::kMsgFirmwareUpdateOk : report::kMsgFirmwareUpdateFailed, !ok);
    session.ClosePodSession();
    return ok;
}

} // namespace ops
