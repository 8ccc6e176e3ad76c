#include "app/CoreBackend.h"

#include "image/McuCatalog.h"
#include "ops/ProgrammerView.h"
#include "pod/AttachedDevices.h"
#include "report/SessionReport.h"

namespace app {

CoreBackend::CoreBackend(pod::UsbDriver& driver, pod::PodClock& clock, ops::ProgrammerView& view)
    : m_view(view), m_session(driver, clock),
      m_core(m_session, view, m_monitor)
{
}

CoreBackend::~CoreBackend()
{
    m_core.runner.Wait();
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
    return m_core.runner.LoadSFile(choices);
}

bool CoreBackend::EnsurePodSession()
{
    auto lock = m_session.Lock();
    return report::EnsurePodSession(m_session, m_view);
}

bool CoreBackend::Start(ops::OperationMode mode, const image::RunChoices& choices)
{
    return m_core.runner.Start(mode, choices);
}

bool CoreBackend::StartFirmwareUpdate()
{
    return m_core.runner.StartFirmwareUpdate();
}

bool CoreBackend::QueryVersion()
{
    return m_core.runner.StartQueryVersion();
}

bool CoreBackend::ResetTarget(int resetPolarityIndex, int resetDelayIndex)
{
    return m_core.runner.StartResetTarget(resetPolarityIndex, resetDelayIndex);
}

bool CoreBackend::IsBusy() const
{
    return m_core.runner.IsBusy();
}

void CoreBackend::RequestStop()
{
    m_core.runner.RequestStop();
}

std::optional<std::vector<std::string>> CoreBackend::AttachedPods()
{
    auto lock = m_session.TryLock();
    if (!lock.owns_lock() || m_core.runner.IsBusy()) return std::nullopt;
    return pod::PodSerials(pod::ListAttachedDevices(m_session.driver()));
}

bool CoreBackend::ChoosePod(const std::string& serial)
{
    auto lock = m_session.TryLock();
    if (!lock.owns_lock() || m_core.runner.IsBusy()) return false;
    if (m_session.serial() == serial) return true;
    // A handle to the POD chosen before must not serve the next command; monitoring that
    // reconnects finds the new one.
    m_session.ClosePodSession();
    m_session.SetSerial(serial);
    m_session.ForgetLibrary();
    return true;
}

} // namespace app
