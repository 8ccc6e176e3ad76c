#include "station/RunRecords.h"

#include "records/RunId.h"
#include "station/RunLogFile.h"

#include "quobin/Version.h"

#include <algorithm>
#include <utility>

namespace station {

records::ProductionRecord ProductionRecordOf(const ops::RunRecord& run, const UnitLabels& labels,
                                             const RecordContext& context)
{
    records::ProductionRecord record;
    record.runId = records::NewRunId();
    record.batchId = context.batchId;
    record.station = context.station;
    record.operatorName = context.operatorName;
    record.unitId = labels.unitId;
    record.podSerial = run.podSerial;
    record.part = run.part;
    record.sFile = run.file;
    record.sFileSha256 = run.fileSha256;
    for (std::size_t r = 0; r < record.regions.size(); ++r) {
        records::RegionFigures& region = record.regions[r];
        region.ticked = run.regions[r];
        region.wordsProgrammed = run.wordsSent[r];
        region.imageWords = run.imageWords[r];
        region.crc32 = run.imageCrc[r];
    }
    record.mode = ops::OperationName(run.mode);
    record.result = run.ok ? "ok" : run.interrupted ? "interrupted" : "failed";
    record.message = run.message;
    record.reason = run.reason;
    record.interrupted = run.interrupted;
    record.startedUtc = run.startedUtc;
    record.endedUtc = run.endedUtc.empty() ? run.startedUtc : run.endedUtc;
    record.elapsedMs = run.elapsedMs;
    record.toolVersion = quobin::kVersion;
    record.emulated = context.emulated;
    record.serialNumber = labels.serialNumber;
    record.attempt = labels.attempt;
    return record;
}

void RunRecords::SetRunLog(std::string path)
{
    std::lock_guard lock(m_mutex);
    m_runLogPath = std::move(path);
}

void RunRecords::SetStore(std::unique_ptr<records::RecordStore> store, RecordContext context)
{
    std::lock_guard lock(m_mutex);
    m_store = std::move(store);
    if (context.batchId.empty()) context.batchId = records::NewRunId();
    m_context = std::move(context);
}

void RunRecords::Label(const std::string& podSerial, UnitLabels labels)
{
    std::lock_guard lock(m_mutex);
    m_labels[podSerial] = std::move(labels);
}

UnitLabels RunRecords::LabelsFor(const std::string& podSerial) const
{
    auto found = m_labels.find(podSerial);
    if (found == m_labels.end()) found = m_labels.find(std::string());
    return found == m_labels.end() ? UnitLabels{} : found->second;
}

void RunRecords::Fail(const std::string& error)
{
    if (std::find(m_errors.begin(), m_errors.end(), error) == m_errors.end())
        m_errors.push_back(error);
    if (m_failureSink) m_failureSink(error);
}

bool RunRecords::Keep(const ops::RunRecord& run)
{
    std::string logPath;
    records::RecordStore* store = nullptr;
    records::ProductionRecord record;
    {
        std::lock_guard lock(m_mutex);
        logPath = m_runLogPath;
        store = m_store.get();
        if (store != nullptr) record = ProductionRecordOf(run, LabelsFor(run.podSerial), m_context);
    }
    bool kept = true;
    if (!logPath.empty() && !AppendRunLogLine(logPath, ops::RunLogLine(run))) {
        std::lock_guard lock(m_mutex);
        Fail("cannot append to the log " + logPath);
        kept = false;
    }
    // The store serializes its own writes; the units' workers do not wait on each other
    // for the log meanwhile.
    if (store != nullptr) {
        if (std::string error = store->Write(record); !error.empty()) {
            std::lock_guard lock(m_mutex);
            Fail(error);
            kept = false;
        }
    }
    return kept;
}

std::vector<std::string> RunRecords::TakeErrors()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_errors, {});
}

std::vector<std::string> RunRecords::TakeNotes()
{
    std::lock_guard lock(m_mutex);
    return m_store ? m_store->TakeNotes() : std::vector<std::string>{};
}

} // namespace station
