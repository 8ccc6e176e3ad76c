#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "elf/DebugInfo.h"

namespace elf {

// The bookkeeping both DWARF readers share while they fill a DebugInfo: the budget of
// rows, the one-line problem, types interned by the offset of the entry that describes
// them (so that a type referred to a thousand times is read once, and a struct that
// refers to itself ends in a reference to the type being read), and names converted
// once per place in the file.
class TypeGraphBuilder {
public:
    TypeGraphBuilder(const Limits& limits, DebugInfo& info, std::size_t fileBytes);

    const Limits& limits() const { return m_limits; }
    DebugInfo& info() { return m_info; }

    // The first problem is the one said; later ones are consequences.
    void Note(const std::string& text);
    void CountRow() { ++m_rows; }
    // True, with the problem said, once more rows were read than the limits allow.
    bool Full();

    // The type already read for the entry at `offset`, or -1.
    int Known(std::uint64_t offset) const;
    // Whether a type reached through `depth` references may still be read.
    bool MayRead(int depth);
    // Reserves the type of the entry at `offset` before its parts are read, so that
    // references back to it while they are read find it.
    int Reserve(std::uint64_t offset);
    void Set(int index, Type type);
    // A type no entry stands for (an inner array dimension, a modified type).
    int Add(Type type);
    // `type` becomes the outermost of `counts.size()` dimensions over `element`, the
    // inner ones arrays of their own so that `a[1][2]` walks as an array of arrays.
    void Dimensions(const std::vector<std::uint32_t>& counts, int element, Type& type);

    // The name whose bytes lie at `place` in the file, converted once however many
    // entries name it. Past a budget the file's size justifies, names are left empty.
    Name NameAt(std::uint64_t place, std::string_view bytes);

private:
    const Limits& m_limits;
    DebugInfo& m_info;
    std::size_t m_rows = 0;
    std::size_t m_nameBytes = 0;
    std::size_t m_nameBudget;
    std::unordered_map<std::uint64_t, int> m_types;
    std::unordered_map<std::uint64_t, Name> m_names;
};

} // namespace elf
