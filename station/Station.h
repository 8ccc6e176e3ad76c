#pragma once

#include "pod/AttachedDevices.h"
#include "podlink/LinkOptions.h"
#include "podlink/PodLink.h"
#include "station/CancelToken.h"
#include "station/PodChoice.h"
#include "station/PodUnit.h"
#include "station/RunRecords.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pod {
class PodClock;
}
namespace sim {
class SimUsbDriver;
}

namespace station {

// Everything between a front end and the PODs, assembled one way for the window,
// quobin-cli (one POD or several) and Python: the link the options ask for (USB back
// end, emulator, trace), the choice of POD by serial number, one unit per POD with its
// session and programming core, the cancellation of their runs, and the emulator's
// state, saved for every emulated POD when the station closes.
class Station {
public:
    struct Opening {
        std::unique_ptr<Station> station; // null when the options cannot be used
        std::string error;                // a line for the user
        bool usage = false;               // the options contradict each other (exit 2)
    };
    // Who writes the trace a --trace asks for: the station's own link (one POD), or each
    // unit of a run on several into a file of its own, the station's link only listing
    // the PODs.
    enum class Tracing { Station, PerUnit };
    // The link only: the POD itself is opened by its unit's first command.
    static Opening Open(const podlink::LinkOptions& options, pod::PodClock& clock,
                        Tracing tracing = Tracing::Station);

    // Closes, ignoring a failed save (Close() is how to hear of it).
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    pod::UsbDriver& driver() { return *m_link.driver; }
    pod::PodClock& clock() { return m_clock; }
    bool emulated() const { return m_link.simulated != nullptr; }
    // The emulator's driver, when the station runs on it (tests reach its PODs there).
    sim::SimUsbDriver* emulator() { return m_link.simulated; }
    CancelToken& cancel() { return m_cancel; }

    // Every FTDI device attached, the PODs marked: the driver loaded for the listing and
    // let go again. Empty with the reason when no driver could be loaded.
    struct DeviceListing {
        std::vector<pod::AttachedDevice> devices;
        std::string error;
    };
    DeviceListing ListDevices();
    // The attached PODs' serial numbers, as the driver lists them.
    std::vector<std::string> AttachedSerials();
    // The POD a single-POD front end uses: the one named when it is attached; with none
    // named and several attached, the first listed, so it is the same one every time.
    PodChoice ChoosePod(const std::optional<std::string>& wanted);

    // The POD of the last ChoosePod on the station's own link and trace.
    std::unique_ptr<PodUnit> OpenUnit(ops::ProgrammerView& view, ops::MonitorControl& monitor);
    // One POD of a run on several: a connection of its own, traced to the trace file's
    // name with the serial number in it. Null with the reason when it cannot be made.
    std::unique_ptr<PodUnit> OpenUnitOf(const std::string& serial, ops::ProgrammerView& view,
                                        ops::MonitorControl& monitor, std::string& error);

    // Where every unit's finished runs go: the run log (--log) and the production
    // records' store, with each POD's unit labels. Set before the units' runs start.
    RunRecords& records() { return m_records; }
    // Opens the store `where` names (a SQLite file or postgresql://..., its spool at
    // `spool`, empty for the default) and keeps every unit's records there from now on,
    // naming the station (default the host name) and the operator (default the login
    // name). The reason when no record can be kept; `note` says when a server could not
    // be reached and the spool takes the records.
    std::string OpenRecords(const std::string& where, const std::string& spool,
                            const std::string& stationName, const std::string& operatorName,
                            std::string& note);
    // The record of a POD that never ran (not attached), kept as a run's would be.
    bool KeepRun(const ops::RunRecord& record) { return m_records.Keep(record); }

    // A line for the station's trace, when there is one.
    void TraceNote(const std::string& text);

    // The emulator's faults asked for that never fired ("fault write:3:unplug never
    // fired", "... on QBSIM002" with several PODs): a test that tested nothing says so.
    std::vector<std::string> UnfiredFaults();

    // After every unit has gone: saves each emulated POD's state and lets go of the
    // emulator's state folder, so that another program may use it at once. One line per
    // failure; later calls do nothing.
    std::vector<std::string> Close();
    bool closed() const { return m_closed; }

private:
    // What each unit's runner hands its finished runs to.
    std::function<void(const ops::RunRecord&)> KeepSink();
    Station(const podlink::LinkOptions& options, pod::PodClock& clock, podlink::PodLink link);

    podlink::LinkOptions m_options;
    pod::PodClock& m_clock;
    podlink::PodLink m_link;
    std::string m_chosenSerial;
    RunRecords m_records;
    CancelToken m_cancel;
    bool m_closed = false;
};

} // namespace station
