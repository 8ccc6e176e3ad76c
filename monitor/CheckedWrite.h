#pragma once

#include <string>

#include "monitor/WatchTarget.h"
#include "monitor/MonitorReader.h"
#include "pod/PodSession.h"

namespace monitor {

// Writes `request` to `item` and reads it back: a write is trusted only when the target
// shows what was sent. On success `reading` holds the read-back (its text typed through
// `types`) and the result is empty; otherwise the result says what failed, in the words
// quobin-cli prints: the outcome of the write (with the words written of a longer text),
// of the read-back, or both values when they differ.
struct WriteCheck {
    std::string failure;     // empty when the target shows what was sent
    pod::PodOutcome outcome; // the failing exchange's; Ok when the values differ
};
WriteCheck WriteAndReadBack(pod::PodSession& session, const TypedSymbols& types,
                            const WatchItem& item, const WriteRequest& request, Reading& reading);

} // namespace monitor
