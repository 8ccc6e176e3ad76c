#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/ViewType.h"
#include "pod/PodOutcome.h"

namespace pod {
class PodSession;
}

namespace monitor {

// One read of one item through the POD.
struct Reading {
    std::string text;            // the "Monitor Value" text
    std::optional<double> value; // PlotValue; nullopt for ASCII
    std::uint32_t raw = 0;       // the 32-bit value read (0 for ASCII)
};

// Reads an item once: view types 0..8 with one CmdReadMemory, ASCII word by word (at most
// AsciiReadWordCount(sizeWords) words, stopping after a zero byte). Holds the session's
// lock for the whole item. `reading` is set only when every read succeeded.
pod::PodOutcome ReadItemOnce(pod::PodSession& session, std::uint32_t address, ViewType viewType,
                             std::int32_t sizeWords, Reading& reading);

// A value change for the target. `value` serves view types 0..8 (a FLOAT as its bits),
// `text` (UTF-8) and `length` (bytes, the item's "Data Size") serve ASCII.
struct WriteRequest {
    ViewType viewType = HEX16;
    std::uint32_t address = 0;
    std::uint32_t value = 0;
    std::string text;
    std::int32_t length = 0;
};

struct WriteOutcome {
    pod::PodOutcome outcome;
    std::size_t wordsWritten = 0; // CmdWriteMemory acknowledged before the failure, if any
    std::size_t wordsTotal = 0;   // CmdWriteMemory the request needed

    bool ok() const { return outcome.ok(); }
    explicit operator bool() const { return ok(); }
};

// Performs one request: one CmdWriteMemory, or for ASCII the words of AsciiWriteWords
// (a character outside Latin-1 goes out as '?', as a code-page conversion would send
// it). Holds the session's lock for the whole request. Ends at the first failed write.
WriteOutcome WriteOnce(pod::PodSession& session, const WriteRequest& request);

} // namespace monitor
