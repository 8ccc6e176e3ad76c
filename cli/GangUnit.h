#pragma once

#include "cli/PodUnitView.h"
#include "ops/MonitorControl.h"
#include "ops/Programmer.h"
#include "pod/PodSession.h"
#include "podlink/PodLink.h"

#include <memory>
#include <string>

namespace cli {

// One POD of a run on several at once: a connection of its own (driver instance, trace
// file, session), the programming core with its worker, and the view it reports to.
// Nothing here is shared with another unit; the S file is read by each unit's own
// worker. Torn down in reverse: the worker is joined first, the link closed last.
class GangUnit {
public:
    GangUnit(const podlink::LinkOptions& options, const podlink::PodLink& shared,
             std::string serial, pod::PodClock& clock, const std::string& logFile);
    ~GangUnit();
    GangUnit(const GangUnit&) = delete;
    GangUnit& operator=(const GangUnit&) = delete;

    const std::string& serial() const { return m_serial; }
    // Why the unit has no connection (its trace file cannot be written); empty when it has.
    const std::string& linkError() const { return m_link.error; }

    bool Start(ops::OperationMode mode, const image::RunChoices& choices);
    bool Busy() const { return m_core && m_core->runner.IsBusy(); }
    void Wait();
    ops::RunResult Result() const { return m_core->runner.LastResult(); }
    PodUnitView::Snapshot Progress() const { return m_view.Now(); }
    const pod::UsbDriver* driver() const { return m_link.driver.get(); }

private:
    std::string m_serial;
    podlink::PodLink m_link;
    std::unique_ptr<pod::PodSession> m_session;
    PodUnitView m_view;
    ops::MonitorControl m_noMonitoring;
    std::unique_ptr<ops::Programmer> m_core;
};

} // namespace cli
