#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor/TextSpan.h"
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

// Reads an item once: view types 0..8 with one CmdReadMemory, ASCII word by word over
// `text` (stopping after a zero byte). Holds the session's lock for the whole item.
// `reading` is set only when every read succeeded.
pod::PodOutcome ReadItemOnce(pod::PodSession& session, std::uint32_t address, ViewType viewType,
                             const TextSpan& text, Reading& reading);

// A value change for the target, as PrepareWrite makes it. `value` serves view types
// 0..8 (a FLOAT as its bits); `text` holds an ASCII text as the target stores it, two
// characters a word, with its terminating zero.
struct WriteRequest {
    ViewType viewType = HEX16;
    std::uint32_t address = 0;
    std::uint32_t value = 0;
    TextWords text;
    // A bit field: `value` goes into these bits of the word (or two words) read first, and
    // the bits beside them are written back as they were read. Width 0: the whole value.
    std::uint16_t fieldLsb = 0;
    std::uint16_t fieldWidth = 0;
};

// The bits of a field `width` wide: the mask of its value before it is shifted into place.
std::uint32_t FieldMask(std::uint16_t width);

struct WriteOutcome {
    pod::PodOutcome outcome;
    std::size_t wordsWritten = 0; // CmdWriteMemory acknowledged before the failure, if any
    std::size_t wordsTotal = 0;   // CmdWriteMemory the request needed

    bool ok() const { return outcome.ok(); }
    explicit operator bool() const { return ok(); }
};

// Performs one request: one CmdWriteMemory, or one per word of an ASCII text (a byte write
// where the word is shared with a neighbour), or for a bit field a CmdReadMemory of its
// word and the CmdWriteMemory of the word with the field replaced. Holds the session's lock
// for the whole request. Ends at the first failed exchange.
WriteOutcome WriteOnce(pod::PodSession& session, const WriteRequest& request);

} // namespace monitor
