#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/MonitorReader.h"
#include "monitor/TypedSymbols.h"
#include "monitor/ViewType.h"

namespace monitor {

// The item a write goes to, as every front end knows it.
struct WriteTarget {
    std::string label; // how the user named it, for the refusal
    std::uint32_t address = 0;
    ViewType viewType = HEX16;
    std::int32_t sizeWords = 0;      // the "Data Size": what an ASCII text may fill
    const TypedRow* typed = nullptr; // what the ELF says of it, when anything
};

// Where an ASCII text written to the target lies: the typed object's own bytes, or what
// the Data Size gives an untyped one.
TextSpan TextSpanOf(const WriteTarget& target);

// A write the target can be sent, or why not.
struct WritePlan {
    std::optional<WriteRequest> request;
    std::string refusal;
};

// The one rule for changing a variable, whoever asks (the monitoring window's Change
// Value, quobin-cli write, a script): the text is read strictly for the view type (hex
// for the HEX and byte types, a decimal, a float, a fraction), an ASCII text is cut to
// the item's room with its terminating zero, written to the item's own bytes only, and
// refused when a character has no Latin-1 byte or the item has no room. A bit field takes
// a whole number (or its enumerator's name) within its width, and is written into its word
// with the fields beside it kept; an enum shown with its own view type takes an
// enumerator's name or number and nothing else.
WritePlan PrepareWrite(const WriteTarget& target, std::string_view text);
// A number given as a number for a FLOAT item (a script's float): refused outside the
// range of a single; `shown` is how the caller wrote the number, for the refusal.
WritePlan PrepareFloatWrite(const WriteTarget& target, double number, const std::string& shown);

// "cannot write to LABEL as VIEW: ", the start of a refusal for a value of the wrong kind.
std::string CannotWriteAs(const WriteTarget& target);

} // namespace monitor
