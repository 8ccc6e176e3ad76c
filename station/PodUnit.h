#pragma once

#include "ops/CommandResult.h"
#include "ops/OperationMode.h"
#include "ops/OperationRunner.h"
#include "ops/Programmer.h"
#include "pod/PodSession.h"
#include "podlink/PodLink.h"

#include <functional>
#include <memory>
#include <string>

namespace ops {
class MonitorControl;
class ProgrammerView;
} // namespace ops

namespace station {

class CancelToken;

// How a unit reaches its POD: a link of its own (one POD of several), or none and the
// station's driver and tracer (the single POD of a front end).
struct UnitConnection {
    podlink::PodLink ownLink;
    pod::UsbDriver* driver = nullptr;
    pod::TracingUsbDriver* tracer = nullptr;
    std::string serial; // empty: the POD found by its description
};

// One POD of a station: its session and the programming core over it, reporting to the
// front end's view. A unit of a run on several PODs has a connection of its own (driver
// instance, trace file); the single POD of the window, quobin-cli or a script uses the
// station's. Every call returns its result as values. Torn down in reverse: the worker
// is joined first, the session closed next, the unit's own link last.
class PodUnit {
public:
    // Each flash run's record goes to `keep` as the run ends, on the worker.
    PodUnit(UnitConnection connection, pod::PodClock& clock, ops::ProgrammerView& view,
            ops::MonitorControl& monitor, const CancelToken& cancel,
            std::function<void(const ops::RunRecord&)> keep);
    ~PodUnit();
    PodUnit(const PodUnit&) = delete;
    PodUnit& operator=(const PodUnit&) = delete;

    const std::string& serial() const { return m_connection.serial; }
    pod::PodSession& session() { return *m_session; }
    ops::OperationRunner& runner() { return m_core->runner; }

    // A flash run on the worker; false while another runs. Result() once it has ended.
    bool Start(ops::OperationMode mode, const image::RunChoices& choices);
    void Wait() { runner().Wait(); }
    bool Busy() const { return m_core->runner.IsBusy(); }
    ops::RunResult Result() const { return m_core->runner.LastResult(); }
    // Start, then Wait: the result also when it failed or was interrupted.
    ops::RunResult Program(ops::OperationMode mode, const image::RunChoices& choices);
    // Ends this POD's run after the exchange in progress; the station's token ends all.
    void Cancel() { runner().RequestStop(); }

    ops::VersionResult QueryVersion() { return runner().QueryVersion(); }
    ops::CommandResult Reset(int polarityIndex, int delayIndex, int mcuType)
    {
        return runner().ResetTarget(polarityIndex, delayIndex, mcuType);
    }
    ops::CommandResult UpdateFirmware();
    // The POD opened for monitoring (117 or 118 on the status line when it cannot be).
    ops::CommandResult OpenPod() { return runner().OpenPod(); }

    // The USB back end's reason for its last failure; empty when it has none.
    std::string DriverReason() const;
    // A line for the trace, when there is one; nothing otherwise.
    void TraceNote(const std::string& text);
    // The trace's last line for a command: "result: ok, TEXT" or "result: failed, TEXT".
    void TraceResult(bool ok, const std::string& text);

private:
    UnitConnection m_connection;
    std::unique_ptr<pod::PodSession> m_session;
    std::unique_ptr<ops::Programmer> m_core;
};

} // namespace station
