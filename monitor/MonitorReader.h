#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/ViewType.h"

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
// lock for the whole item. False when a read failed or the session is closed.
bool ReadItemOnce(pod::PodSession& session, std::uint32_t address, ViewType viewType,
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

// Performs one request: one CmdWriteMemory, or for ASCII the words of AsciiWriteWords
// (a character outside Latin-1 goes out as '?', as a code-page conversion would send
// it). Holds the session's lock for the whole request. False at the first failed write.
bool WriteOnce(pod::PodSession& session, const WriteRequest& request);

} // namespace monitor
