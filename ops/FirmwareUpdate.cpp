#include "ops/FirmwareUpdate.h"

#include "pod/Messages.h"
#include "pod/PodCommands.h"
#include "pod/PodSession.h"
#include "pod/StatusSink.h"

namespace ops {

namespace {
constexpr std::size_t kBootBlockBytes = 256;
}

bool FirmwareUpdate(pod::PodSession& session, pod::StatusSink& view,
                    std::span<const std::uint8_t> firmware)
{
    view.SetStatusText("Firmware updateing...");
    // The POD is first detected and opened as for any command, which tells a missing
    // POD from one that is there; the boot configuration then replaces that handle.
    bool ok = session.EnsurePodSession(view);
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
    view.ReportStatus(ok ? pod::kMsgFirmwareUpdateOk : pod::kMsgFirmwareUpdateFailed, !ok);
    session.ClosePodSession();
    return ok;
}

} // namespace ops
