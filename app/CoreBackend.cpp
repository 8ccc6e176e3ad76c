#include "app/CoreBackend.h"

#include "image/McuCatalog.h"
#include "ops/ProgrammerView.h"
#include "pod/AttachedDevices.h"
#include "report/SessionReport.h"

namespace app {

CoreBackend::CoreBackend(station::Station& station, ops::ProgrammerView& view)
    : m_unit(station.OpenUnit(view, m_monitor))
{
}

CoreBackend::~CoreBackend()
{
    m_unit->Wait();
}

int CoreBackend::PartCount() const
{
    return image::kMcuCount;
}

std::string CoreBackend::PartName(int type) const
{
    return image::IsValidMcuType(type) ? image::RecordFor(type).name : std::string();
}

std::array<bool, 4> CoreBackend::RegionsPresent(int type) const
{
    std::array<bool, 4> present{};
    if (!image::IsValidMcuType(type)) return present;
    const image::McuRecord& record = image::RecordFor(type);
    for (int region = 0; region < image::kRegionCount; ++region)
        present[static_cast<std::size_t>(region)] = record.present[region] != 0;
    return present;
}

bool CoreBackend::LoadSFile(const image::RunChoices& choices)
{
    return runner().LoadSFile(choices).ok;
}

bool CoreBackend::EnsurePodSession()
{
    return m_unit->OpenPod().ok;
}

bool CoreBackend::Start(ops::OperationMode mode, const image::RunChoices& choices)
{
    return runner().Start(mode, choices);
}

bool CoreBackend::StartFirmwareUpdate()
{
    return runner().StartFirmwareUpdate();
}

bool CoreBackend::QueryVersion()
{
    return runner().StartQueryVersion();
}

bool CoreBackend::ResetTarget(int resetPolarityIndex, int resetDelayIndex)
{
    return runner().StartResetTarget(resetPolarityIndex, resetDelayIndex);
}

bool CoreBackend::IsBusy() const
{
    return m_unit->Busy();
}

void CoreBackend::RequestStop()
{
    runner().RequestStop();
}

std::optional<std::vector<std::string>> CoreBackend::AttachedPods()
{
    auto lock = session().TryLock();
    if (!lock.owns_lock() || runner().IsBusy()) return std::nullopt;
    return pod::PodSerials(pod::ListAttachedDevices(session().driver()));
}

bool CoreBackend::ChoosePod(const std::string& serial)
{
    auto lock = session().TryLock();
    if (!lock.owns_lock() || runner().IsBusy()) return false;
    if (session().serial() == serial) return true;
    // A handle to the POD chosen before must not serve the next command; monitoring that
    // reconnects finds the new one.
    session().ClosePodSession();
    session().SetSerial(serial);
    session().ForgetLibrary();
    return true;
}

} // namespace app
