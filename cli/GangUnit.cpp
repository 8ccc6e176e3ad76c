#include "cli/GangUnit.h"

#include "pod/TracingUsbDriver.h"

namespace cli {

GangUnit::GangUnit(const podlink::LinkOptions& options, const podlink::PodLink& shared,
                   std::string serial, pod::PodClock& clock, const std::string& logFile)
    : m_serial(std::move(serial)),
      m_link(podlink::MakeUnitLink(options, shared, m_serial, clock)),
      m_view(logFile)
{
    if (!m_link.driver) return;
    m_session = std::make_unique<pod::PodSession>(*m_link.driver, clock);
    m_session->SetSerial(m_serial);
    m_core = std::make_unique<ops::Programmer>(*m_session, m_view, m_noMonitoring);
    if (pod::TracingUsbDriver* tracer = m_link.tracer)
        m_core->runner.SetTraceNote([tracer](const std::string& text) { tracer->Note(text); });
}

GangUnit::~GangUnit()
{
    // The worker ends before the session it uses closes, the session before its driver.
    m_core.reset();
    m_session.reset();
}

bool GangUnit::Start(ops::OperationMode mode, const image::RunChoices& choices)
{
    return m_core && m_core->runner.Start(mode, choices);
}

void GangUnit::Wait()
{
    if (m_core) m_core->runner.Wait();
}

} // namespace cli
