#include "python/ScriptLink.h"

#include <algorithm>

#include "monitor/MonitorWorker.h"
#include "pod/AttachedDevices.h"
#include "pod/PodCommands.h"
#include "python/ScriptError.h"
#include "report/SessionReport.h"
#include "sim/SimUsbDriver.h"

namespace script {

ScriptLink::ScriptLink(const podlink::LinkOptions& options)
{
    m_link = podlink::MakePodLink(options, m_clock);
    if (!m_link.error.empty()) throw ScriptError(m_link.error);
    m_session = std::make_unique<pod::PodSession>(*m_link.driver, m_clock);
    ChoosePod(options.serials);
    m_core = std::make_unique<ops::Programmer>(*m_session, m_view, *this);
}

void ScriptLink::ChoosePod(const std::vector<std::string>& wanted)
{
    if (wanted.size() > 1) throw ScriptError("a Pod is one POD: give one serial number");
    const std::vector<std::string> found =
        pod::PodSerials(pod::ListAttachedDevices(m_session->driver()));
    if (wanted.size() == 1) {
        if (std::find(found.begin(), found.end(), wanted.front()) == found.end())
            throw ScriptError("no POD with serial number " + wanted.front() +
                              " is attached (PODs found: " + pod::SerialList(found) + ")");
        m_session->SetSerial(wanted.front());
    } else if (found.size() > 1) {
        // Opened by its description, one of several would be whichever the driver picks.
        m_session->SetSerial(found.front());
    }
}

ScriptLink::~ScriptLink()
{
    try {
        Close();
    } catch (const ScriptError&) {
        // Nobody is left to tell; close() reports it when called.
    }
}

std::shared_lock<std::shared_mutex> ScriptLink::Use()
{
    std::shared_lock lock(m_useMutex);
    if (m_closed) throw ScriptError("the POD is closed");
    return lock;
}

std::string ScriptLink::FailureText(const std::string& status, const std::string& reason) const
{
    std::string text = status;
    if (!reason.empty()) text += '\n' + reason;
    if (const std::string reason = m_link.driver->LastError(); !reason.empty())
        text += '\n' + reason;
    return text;
}

std::string ScriptLink::Version()
{
    const auto lock = Use();
    if (!m_core->runner.QueryVersion())
        throw ScriptError(FailureText(m_view.lastStatus(), m_view.lastReason()));
    return m_view.lastStatus();
}

void ScriptLink::Reset(int polarityIndex, int delayIndex, int mcuType)
{
    const auto lock = Use();
    StopMonitoring();
    if (!m_core->runner.ResetTarget(polarityIndex, delayIndex, mcuType)) {
        const std::string status = m_view.lastStatus();
        throw ScriptError(
            FailureText(status.empty() ? "The target did not answer the connect" : status,
                        m_view.lastReason()));
    }
}

ops::RunResult ScriptLink::Program(ops::OperationMode mode, const image::RunChoices& choices,
                                   const ScriptView::Progress* progress)
{
    const auto lock = Use();
    m_view.SetProgress(progress);
    if (!m_core->runner.Start(mode, choices)) {
        m_view.SetProgress(nullptr);
        throw ScriptError("another operation is running on this POD");
    }
    m_core->runner.Wait();
    m_view.SetProgress(nullptr);
    return m_core->runner.LastResult();
}

pod::PodSession& ScriptLink::OpenForMonitoring(std::uint32_t baudIndex)
{
    std::lock_guard lock(m_baudMutex);
    if (!report::EnsurePodSession(*m_session, m_view))
        throw ScriptError(m_view.lastStatus());
    // Once per opening of the POD, not per read. A POD that keeps its rate still reads
    // memory, as for quobin-cli read.
    if (m_session->handle() != m_baudHandle || baudIndex != m_baudIndex) {
        (void)pod::CmdSetMonitorBaud(*m_session, baudIndex);
        m_baudHandle = m_session->handle();
        m_baudIndex = baudIndex;
    }
    return *m_session;
}

void ScriptLink::AddWorker(monitor::MonitorWorker* worker)
{
    std::lock_guard lock(m_workersMutex);
    m_workers.push_back(worker);
}

void ScriptLink::RemoveWorker(monitor::MonitorWorker* worker)
{
    std::lock_guard lock(m_workersMutex);
    m_workers.erase(std::remove(m_workers.begin(), m_workers.end(), worker), m_workers.end());
}

void ScriptLink::StopMonitoring()
{
    std::lock_guard lock(m_workersMutex);
    for (monitor::MonitorWorker* worker : m_workers)
        worker->StopAndJoin();
}

void ScriptLink::Close()
{
    std::unique_lock lock(m_useMutex);
    if (m_closed) return;
    m_closed = true;
    StopMonitoring();
    // The runner's worker ends before the session closes, and the state is saved last,
    // so what is saved is final.
    m_core.reset();
    m_session.reset();
    if (m_link.simulated == nullptr) return;
    if (std::string error = m_link.simulated->Pod().Save(); !error.empty())
        throw ScriptError("cannot save the emulator's state: " + error);
}

} // namespace script
