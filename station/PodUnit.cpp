#include "station/PodUnit.h"

#include "pod/TracingUsbDriver.h"
#include "station/CancelToken.h"

namespace station {

PodUnit::PodUnit(UnitConnection connection, pod::PodClock& clock, ops::ProgrammerView& view,
                 ops::MonitorControl& monitor, const CancelToken& cancel,
                 std::function<void(const ops::RunRecord&)> keep)
    : m_connection(std::move(connection))
{
    m_session = std::make_unique<pod::PodSession>(*m_connection.driver, clock);
    if (!m_connection.serial.empty()) m_session->SetSerial(m_connection.serial);
    m_core = std::make_unique<ops::Programmer>(*m_session, view, monitor);
    m_core->runner.SetCancelFlag(cancel.flag());
    if (pod::TracingUsbDriver* tracer = m_connection.tracer) {
        const auto note = [tracer](const std::string& text) { tracer->Note(text); };
        m_session->SetTraceNote(note);
        m_core->runner.SetTraceNote(note);
    }
    // Kept by the worker as its run ends, so the record is there even when another POD's
    // run still goes on or the program dies next.
    if (keep) m_core->runner.SetRecordSink(std::move(keep));
}

PodUnit::~PodUnit()
{
    // The worker ends before the session it uses closes, the session before its driver.
    m_core.reset();
    m_session.reset();
}

bool PodUnit::Start(ops::OperationMode mode, const image::RunChoices& choices)
{
    return runner().Start(mode, choices);
}

ops::RunResult PodUnit::Program(ops::OperationMode mode, const image::RunChoices& choices)
{
    if (!Start(mode, choices)) {
        ops::RunResult refused;
        refused.message = ops::kPodBusyText;
        return refused;
    }
    Wait();
    return Result();
}

ops::CommandResult PodUnit::UpdateFirmware()
{
    ops::CommandResult result;
    if (!runner().StartFirmwareUpdate()) {
        result.status = ops::kPodBusyText;
        return result;
    }
    Wait();
    const ops::RunResult run = Result();
    result.ok = run.ok;
    result.status = run.message;
    result.reason = run.record.reason;
    return result;
}

std::string PodUnit::DriverReason() const
{
    return m_connection.driver->LastError();
}

void PodUnit::TraceNote(const std::string& text)
{
    if (m_connection.tracer != nullptr) m_connection.tracer->Note(text);
}

void PodUnit::TraceResult(bool ok, const std::string& text)
{
    TraceNote(std::string("result: ") + (ok ? "ok, " : "failed, ") + text);
}

} // namespace station
