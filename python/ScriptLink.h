#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "ops/MonitorControl.h"
#include "ops/OperationMode.h"
#include "ops/OperationRunner.h"
#include "pod/PodClock.h"
#include "podlink/LinkOptions.h"
#include "python/ScriptView.h"
#include "station/Station.h"

namespace monitor {
class MonitorWorker;
}

namespace script {

// One open POD for a script: the station its options ask for, and the station's unit
// for the POD. Every call blocks its caller until the POD work is done; failures throw
// ScriptError with quobin-cli's words.
class ScriptLink final : public ops::MonitorControl {
public:
    // Throws when the options contradict each other or the emulator's state cannot be
    // used. The POD itself is opened by the first command.
    explicit ScriptLink(const podlink::LinkOptions& options);
    ~ScriptLink() override;
    ScriptLink(const ScriptLink&) = delete;
    ScriptLink& operator=(const ScriptLink&) = delete;

    // "POD Version V1.1".
    std::string Version();
    void Reset(int polarityIndex, int delayIndex, int mcuType);

    // What a flash run asks of the script's thread, which follows the run: each progress
    // move (false: stop the run), and whether the script was interrupted (true: stop).
    struct Follower {
        std::function<bool(int position, int upper)> progress;
        std::function<bool()> interrupted;
    };
    // A flash operation to its end, its stop or its failure, followed on the caller's
    // thread; the result in every case.
    ops::RunResult Program(ops::OperationMode mode, const image::RunChoices& choices,
                           const Follower& follower);
    // Keeps a production record of every flash run from now on, in the store `where`
    // names (a SQLite file or postgresql://...), as quobin-cli's --records does; the
    // remarks to warn of (records going to the spool). Throws when no record can be kept.
    std::vector<std::string> KeepRecords(const std::string& where, const std::string& stationName,
                                         const std::string& operatorName);
    // The unit the next runs' records name.
    void LabelUnit(const std::string& unitId);
    // Why records of the runs so far were not kept, each once; and the store's remarks.
    std::vector<std::string> TakeRecordErrors() { return m_station->records().TakeErrors(); }
    std::vector<std::string> TakeRecordNotes() { return m_station->records().TakeNotes(); }
    // The failure of an operation as quobin-cli prints it: the status, why its command
    // failed, the USB back end's reason.
    std::string FailureText(const std::string& status, const std::string& reason) const;

    // The POD opened for monitoring and set to the baud rate (by its list index), as
    // `quobin-cli read` opens it.
    pod::PodSession& OpenForMonitoring(std::uint32_t baudIndex);

    std::uint32_t NowMs() { return m_clock.NowMs(); }

    // Closes the POD (stopping watches first), saves every emulated POD's state and lets
    // go of the emulator's state folder; later calls throw. Throws when a state could not
    // be saved, and when called from inside a program() on this thread (a progress
    // callback), which waits for it.
    void Close();
    // Held (shared) by everything that uses the session, so Close waits for it.
    std::shared_lock<std::shared_mutex> Use();

    // Watches that a programming run or Close stops first.
    void AddWorker(monitor::MonitorWorker* worker);
    void RemoveWorker(monitor::MonitorWorker* worker);
    void StopMonitoring() override;

private:
    pod::SteadyPodClock m_clock;
    std::unique_ptr<station::Station> m_station;
    ScriptView m_view;
    std::unique_ptr<station::PodUnit> m_unit;
    std::shared_mutex m_useMutex;
    bool m_closed = false;
    std::atomic<std::thread::id> m_programThread{}; // the thread inside Program, if any
    std::mutex m_baudMutex;
    pod::FtHandle m_baudHandle = nullptr; // the opening of the POD the baud rate was set on
    std::uint32_t m_baudIndex = 0;
    std::mutex m_workersMutex;
    std::vector<monitor::MonitorWorker*> m_workers;
};

} // namespace script
