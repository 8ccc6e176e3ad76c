#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitor/TargetRecorder.h"
#include "monitor/TypedSymbols.h"
#include "monitor/WatchTarget.h"

namespace pod {
class PodClock;
class PodSession;
} // namespace pod

namespace monitor {

// A capture by the target's recorder as a user asks for it: the channels are watch items
// (a symbol, member, element or bit field, or an address with a view type), the trigger
// one of them.
struct RecordRequest {
    std::vector<WatchItem> items;
    std::uint16_t divider = 1;
    std::uint16_t samples = 512;
    std::uint16_t preTrigger = 0;
    std::optional<std::size_t> triggerItem; // index into items; none: start at once
    recorder::Edge edge = recorder::Edge::Rising;
    double level = 0; // in the trigger item's own units (a FLOAT's value, a FRAC's fraction)
    std::uint32_t loopHz = 10000; // how often the firmware calls QuobinRecorder_Sample
    std::uint32_t pollMs = 100;   // how often the state is read while waiting
};

// What the capture is doing, for progress: waiting (armed or triggered, with the samples
// taken so far), then uploading.
struct RecordProgress {
    enum class Phase { Waiting, Uploading } phase = Phase::Waiting;
    RecorderStatus status;
    std::uint32_t wordsRead = 0;
    std::uint32_t bufferWords = 0;
};
// False stops the capture: the recorder is disarmed and the result says interrupted.
using RecordProgressSink = std::function<bool(const RecordProgress&)>;

struct RecordedChannel {
    std::string label;
    ViewType viewType = HEX16;
    std::vector<std::optional<double>> values; // the plot's number (nullopt never for these views)
    std::vector<std::string> texts;            // as the watch list shows them
};

// The samples, oldest first, at exact times: sample i lies (i - triggerSample) periods of
// divider / loopHz from the trigger.
struct Recording {
    std::vector<RecordedChannel> channels;
    std::size_t triggerSample = 0;
    std::uint64_t periodNs = 0; // time between two samples
    std::size_t size() const { return channels.empty() ? 0 : channels.front().values.size(); }
    // Nanoseconds from the trigger, negative before it.
    std::int64_t TimeNs(std::size_t sample) const
    {
        return (static_cast<std::int64_t>(sample) - static_cast<std::int64_t>(triggerSample)) *
               static_cast<std::int64_t>(periodNs);
    }
};

struct RecordResult {
    RecorderResult result;
    bool interrupted = false;
    bool ok() const { return result.ok() && !interrupted; }
};

// The recorder's channel for each item, or why an item cannot be one (a text, more than
// two words).
std::string RecorderChannelsOf(const std::vector<WatchItem>& items, std::vector<RecorderChannel>& channels);

// The trigger level as the trigger channel's raw number, or why it cannot be one.
std::string TriggerLevelOf(const WatchItem& item, double level, std::int32_t& raw);

// Arms the recorder at `base`, reads its state every pollMs until the capture is done,
// uploads it and turns its words into the items' values. `progress` is called at least
// every 20 ms of waiting and along the upload; when it returns false the recorder is
// disarmed.
RecordResult RecordCapture(pod::PodSession& session, pod::PodClock& clock, const TypedSymbols& types,
                           std::uint32_t base, const RecordRequest& request, const RecordProgressSink& progress,
                           Recording& recording);

} // namespace monitor
