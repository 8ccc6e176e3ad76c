#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "monitor/RecordCapture.h"
#include "monitor/WatchTarget.h"
#include "monitor/MonitorReader.h"
#include "monitor/SymbolTable.h"

namespace script {

class ScriptLink;

// The part's RAM and the map's symbols, read as `quobin-cli read` reads them. Throws
// ScriptError with quobin-cli's words when the map cannot be read or the part is unknown;
// `warnings` gets what it would warn about.
void LoadTarget(monitor::WatchTarget& options, monitor::SymbolTable& table,
                std::vector<std::string>& warnings);

// Reads and changes target variables named as on the command line, through a POD
// opened for monitoring. Resolved items are kept, so a read in a loop costs one exchange.
class ScriptMonitor {
public:
    // Loads the map and opens the POD; throws ScriptError.
    ScriptMonitor(std::shared_ptr<ScriptLink> link, monitor::WatchTarget options);

    // The item an ITEM text names; throws ScriptError for a bad item.
    const monitor::WatchItem& Resolve(const std::string& text);
    // Throws ScriptError ("reading ITEM failed: the POD did not answer within 100 ms").
    monitor::Reading Read(const monitor::WatchItem& item);
    // Writes and reads back; throws ScriptError when the write fails (naming the words
    // written before the failure) or the target shows another value.
    void Write(const monitor::WatchItem& item, const monitor::WriteRequest& request);
    // A capture by the target's recorder of the items `request` names (its items are
    // filled here); `progress` as RecordCapture's. Throws ScriptError when there is no
    // recorder or the capture fails; an interrupted one returns with `interrupted` set.
    monitor::RecordResult Record(const std::vector<std::string>& items, monitor::RecordRequest request,
                                 const monitor::RecordProgressSink& progress, monitor::Recording& recording);
    // Microseconds per ReadItemOnce of `item`, `count` times in a row: the core's own
    // cost, for the figure a script's read is compared with.
    double TimeCoreReads(const monitor::WatchItem& item, int count);

    const std::shared_ptr<ScriptLink>& link() const { return m_link; }
    const monitor::SymbolTable& table() const { return m_table; }
    const monitor::WatchTarget& options() const { return m_options; }
    const std::vector<std::string>& warnings() const { return m_warnings; }

private:
    std::shared_ptr<ScriptLink> m_link;
    monitor::WatchTarget m_options;
    monitor::SymbolTable m_table;
    std::vector<std::string> m_warnings;
    std::mutex m_itemsMutex; // a watch resolves its items without the GIL
    std::unordered_map<std::string, monitor::WatchItem> m_items; // nodes: references stay valid
};

} // namespace script
