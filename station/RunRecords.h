#pragma once

#include "ops/RunRecord.h"
#include "records/ProductionRecord.h"
#include "records/RecordStore.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace station {

// What a unit's record names beyond its run: the board, the number written into it, and
// which attempt this is.
struct UnitLabels {
    std::string unitId;
    std::optional<std::uint64_t> serialNumber;
    int attempt = 1;
};

// Who and where: the same for every record of a station's command.
struct RecordContext {
    std::string station;
    std::string operatorName;
    std::string batchId;
    bool emulated = false;
};

// The production record of a run as it ended.
records::ProductionRecord ProductionRecordOf(const ops::RunRecord& run, const UnitLabels& labels,
                                             const RecordContext& context);

// Where a station's finished runs go: a line in the run log (--log) and a record in the
// store, each as the run ends, on its unit's worker. Failures are kept to be told once
// after the runs, so a full disk never stops a POD.
class RunRecords {
public:
    void SetRunLog(std::string path);
    void SetStore(std::unique_ptr<records::RecordStore> store, RecordContext context);
    // Set before the runs start and kept until the station goes.
    records::RecordStore* store() { return m_store.get(); }
    const RecordContext& context() const { return m_context; }

    // The labels of the next records of the POD with that serial number; those under ""
    // label any POD without its own (the one POD of the window or a script, which may be
    // found by its description, its serial number known only once it answers).
    void Label(const std::string& podSerial, UnitLabels labels);

    // Appends the run's line and stores its record; false when either failed.
    bool Keep(const ops::RunRecord& run);
    // Where each failure is told as it happens as well (the window's warning line); set
    // before the runs start. It is called on a worker.
    void SetFailureSink(std::function<void(const std::string&)> sink) { m_failureSink = std::move(sink); }
    // The failures since the last call, each different one once: "cannot append to the
    // log run.log", "cannot write to line.db: disk I/O error".
    std::vector<std::string> TakeErrors();
    // The store's remarks (records kept in a spool).
    std::vector<std::string> TakeNotes();

private:
    void Fail(const std::string& error);
    UnitLabels LabelsFor(const std::string& podSerial) const; // with the lock held

    mutable std::mutex m_mutex;
    std::string m_runLogPath;
    std::unique_ptr<records::RecordStore> m_store;
    RecordContext m_context;
    std::map<std::string, UnitLabels> m_labels;
    std::vector<std::string> m_errors;
    std::function<void(const std::string&)> m_failureSink;
};

} // namespace station
