#include "monitor/RecorderSymbol.h"

#include <algorithm>

#include "monitor/TargetRecorder.h"

namespace monitor {

RecorderLookup FindRecorder(const SymbolTable& table, const TypedSymbols& types, const std::string& symbol)
{
    const int index = table.Find(symbol);
    if (index < 0)
        return {std::nullopt, "no recorder in the map: no symbol '" + symbol +
                                  "' (add target/quobin_recorder.c to the firmware and define one)"};
    const SymbolEntry& entry = table.at(index);
    RecorderPlace place{entry.address, 0};
    const auto headerWords = static_cast<std::int32_t>(recorder::kHeaderWords);
    if (entry.size <= headerWords)
        return {std::nullopt, "'" + symbol + "' is " + std::to_string(entry.size) +
                                  " words, too small for a recorder (" + std::to_string(headerWords) +
                                  " header words and a buffer)"};
    place.capacityWords = static_cast<std::uint16_t>(std::min<std::int32_t>(entry.size - headerWords, 0xFFFF));

    // With an ELF, its type decides: a header of this layout, then the buffer.
    const TypedRow* typed = types.RowOf(index);
    if (typed == nullptr) return {place, {}};
    const ChildRows parts = types.Children(*typed);
    const auto named = [&](const char* part) -> const TypedRow* {
        const std::string path = typed->path + "." + part;
        for (const TypedRow& row : parts.rows)
            if (row.path == path) return &row;
        return nullptr;
    };
    const TypedRow* header = named("header");
    const TypedRow* buffer = named("buffer");
    if (header == nullptr || buffer == nullptr || header->sizeBytes != 2 * recorder::kHeaderWords)
        return {std::nullopt, "the ELF's '" + symbol + "' is not a recorder of layout version " +
                                  std::to_string(recorder::kVersion) + " (a " +
                                  std::to_string(2 * recorder::kHeaderWords) +
                                  "-byte header and a buffer)"};
    place.capacityWords = static_cast<std::uint16_t>(std::min<std::uint32_t>(buffer->sizeBytes / 2, 0xFFFF));
    return {place, {}};
}

} // namespace monitor
