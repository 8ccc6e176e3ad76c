#pragma once

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "ops/MonitorControl.h"
#include "ops/OperationMode.h"
#include "ops/Programmer.h"
#include "pod/PodClock.h"
#include "pod/PodSession.h"
#include "podlink/PodLink.h"
#include "python/ScriptView.h"

namespace monitor {
class MonitorWorker;
}

namespace script {

// One open POD for a script: the link its options ask for, the session, and the
// operation runner the window and quobin-cli use. Every call blocks its caller until
// the POD work is done; failures throw ScriptError with quobin-cli's words.
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
    // A flash operation to its end; the result also when it failed.
    ops::RunResult Program(ops::OperationMode mode, const image::RunChoices& choices,
                           const ScriptView::Progress* progress);
    // The failure of the last operation as quobin-cli prints it: the status, why its
    // command failed, the USB back end's reason.
    std::string FailureText(const std::string& status, const std::string& reason) const;

    // The POD opened for monitoring and set to the baud rate (by its list index), as
    // `quobin-cli read` opens it.
    pod::PodSession& OpenForMonitoring(std::uint32_t baudIndex);

    std::uint32_t NowMs() { return m_clock.NowMs(); }

    // Closes the POD (stopping watches first) and saves the emulator's state; later
    // calls throw. Throws when the state could not be saved.
    void Close();
    // Held (shared) by everything that uses the session, so Close waits for it.
    std::shared_lock<std::shared_mutex> Use();

    // Watches that a programming run or Close stops first.
    void AddWorker(monitor::MonitorWorker* worker);
    void RemoveWorker(monitor::MonitorWorker* worker);
    void StopMonitoring() override;

private:
    // Ties the session to the POD of the serial number given, or to the first of several.
    void ChoosePod(const std::vector<std::string>& wanted);
    pod::SteadyPodClock m_clock;
    podlink::PodLink m_link;
    std::unique_ptr<pod::PodSession> m_session;
    ScriptView m_view;
    std::unique_ptr<ops::Programmer> m_core;
    std::shared_mutex m_useMutex;
    bool m_closed = false;
    std::mutex m_baudMutex;
    pod::FtHandle m_baudHandle = nullptr; // the opening of the POD the baud rate was set on
    std::uint32_t m_baudIndex = 0;
    std::mutex m_workersMutex;
    std::vector<monitor::MonitorWorker*> m_workers;
};

} // namespace script
