#include "python/ScriptLink.h"

#include <algorithm>

#include "monitor/MonitorWorker.h"
#include "pod/PodCommands.h"
#include "python/ScriptError.h"

namespace script {

namespace {

// How long the script's thread waits for the worker before it looks at Ctrl+C again.
constexpr std::chrono::milliseconds kFollowWait{20};

// Marks the thread that follows a run, so that a Close from its own callback is refused
// instead of waiting for itself.
class FollowingThread {
public:
    explicit FollowingThread(std::atomic<std::thread::id>& slot) : m_slot(slot)
    {
        m_slot.store(std::this_thread::get_id());
    }
    ~FollowingThread() { m_slot.store(std::thread::id()); }
    FollowingThread(const FollowingThread&) = delete;
    FollowingThread& operator=(const FollowingThread&) = delete;

private:
    std::atomic<std::thread::id>& m_slot;
};

} // namespace

ScriptLink::ScriptLink(const podlink::LinkOptions& options)
{
    if (options.serials.size() > 1)
        throw ScriptError::Usage("a Pod is one POD: give one serial number");
    station::Station::Opening opening = station::Station::Open(options, m_clock);
    if (!opening.station)
        throw ScriptError(opening.error, opening.usage ? ErrorKind::Usage : ErrorKind::Other);
    m_station = std::move(opening.station);
    const station::PodChoice choice = m_station->ChoosePod(
        options.serials.empty() ? std::nullopt : std::optional(options.serials.front()));
    if (!choice.ok) throw ScriptError(choice.error, ErrorKind::LinkLost);
    m_unit = m_station->OpenUnit(m_view, *this);
}

std::vector<std::string> ScriptLink::KeepRecords(const std::string& where,
                                                 const std::string& stationName,
                                                 const std::string& operatorName)
{
    std::string note;
    if (const std::string error = m_station->OpenRecords(where, {}, stationName, operatorName, note);
        !error.empty())
        throw ScriptError("no records can be kept: " + error);
    if (note.empty()) return {};
    return {note};
}

void ScriptLink::LabelUnit(const std::string& unitId)
{
    station::UnitLabels labels;
    labels.unitId = unitId;
    m_station->records().Label({}, std::move(labels));
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
    // A callback of program() runs on the thread that holds the lock for the run already;
    // locking again there could wait for a close() queued behind the run, forever.
    if (m_programThread.load() == std::this_thread::get_id()) return {};
    std::shared_lock lock(m_useMutex);
    if (m_closed) throw ScriptError("the POD is closed");
    return lock;
}

std::string ScriptLink::FailureText(const std::string& status, const std::string& reason) const
{
    std::string text = status;
    if (!reason.empty()) text += '\n' + reason;
    if (!m_unit) return text;
    if (const std::string reason = m_unit->DriverReason(); !reason.empty()) text += '\n' + reason;
    return text;
}

std::string ScriptLink::Version()
{
    const auto lock = Use();
    const ops::VersionResult result = m_unit->QueryVersion();
    if (!result.ok)
        throw ScriptError::FromFailure(FailureText(result.status, result.reason), result.messageId,
                                       result.outcome);
    return result.status;
}

void ScriptLink::Reset(int polarityIndex, int delayIndex, int mcuType)
{
    const auto lock = Use();
    StopMonitoring();
    const ops::CommandResult result = m_unit->Reset(polarityIndex, delayIndex, mcuType);
    if (!result.ok)
        throw ScriptError::FromFailure(FailureText(result.status, result.reason), result.messageId,
                                       result.outcome);
}

ops::RunResult ScriptLink::Program(ops::OperationMode mode, const image::RunChoices& choices,
                                   const Follower& follower)
{
    const auto lock = Use();
    FollowingThread following(m_programThread);
    m_view.BeginRun();
    if (!m_unit->Start(mode, choices)) throw ScriptError::Usage(ops::kPodBusyText);
    bool stopping = false;
    std::vector<ScriptView::Move> moves;
    const auto deliver = [&] {
        for (const auto& [position, upper] : moves)
            if (!stopping && follower.progress && !follower.progress(position, upper)) {
                stopping = true;
                m_unit->Cancel();
            }
    };
    for (bool ended = false; !ended;) {
        ended = m_view.WaitForRun(kFollowWait, moves);
        deliver();
        if (!stopping && follower.interrupted && follower.interrupted()) {
            stopping = true;
            m_unit->Cancel();
        }
    }
    m_unit->Wait();
    // The bar's last moves come after the run's end.
    m_view.WaitForRun(std::chrono::milliseconds(0), moves);
    deliver();
    return m_unit->Result();
}

pod::PodSession& ScriptLink::OpenForMonitoring(std::uint32_t baudIndex)
{
    std::lock_guard lock(m_baudMutex);
    if (const ops::CommandResult opened = m_unit->OpenPod(); !opened.ok)
        throw ScriptError::FromFailure(opened.status, opened.messageId, opened.outcome);
    pod::PodSession& session = m_unit->session();
    // Once per opening of the POD, not per read. A POD that keeps its rate still reads
    // memory, as for quobin-cli read.
    if (session.handle() != m_baudHandle || baudIndex != m_baudIndex) {
        (void)pod::CmdSetMonitorBaud(session, baudIndex);
        m_baudHandle = session.handle();
        m_baudIndex = baudIndex;
    }
    return session;
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
    if (m_programThread.load() == std::this_thread::get_id())
        throw ScriptError::Usage("close() cannot be called from inside program(): the run is "
                                 "still going; return from the callback (or raise to stop the "
                                 "run) first");
    std::unique_lock lock(m_useMutex);
    if (m_closed) return;
    m_closed = true;
    StopMonitoring();
    // The unit's worker ends and its session closes before the station saves, so what
    // is saved is final.
    m_unit.reset();
    const std::vector<std::string> errors = m_station->Close();
    m_station.reset();
    if (!errors.empty()) throw ScriptError(errors.front());
}

} // namespace script
