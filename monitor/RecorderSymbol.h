#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"

namespace monitor {

// The symbol QUOBIN_RECORDER_DEFINE(quobinRecorder, N) leaves in the linker map.
inline constexpr const char* kRecorderSymbol = "quobinRecorder";

// Where a firmware's recorder lies and how many buffer words it has.
struct RecorderPlace {
    std::uint32_t address = 0; // word address of its header
    std::uint16_t capacityWords = 0;
};

struct RecorderLookup {
    std::optional<RecorderPlace> place;
    std::string error; // why there is none
};

// Finds the recorder by its symbol. The map gives its size in words (the header's and the
// buffer's); an ELF that types it must show the header of this layout and gives the
// buffer's length itself.
RecorderLookup FindRecorder(const SymbolTable& table, const TypedSymbols& types,
                            const std::string& symbol = kRecorderSymbol);

} // namespace monitor
