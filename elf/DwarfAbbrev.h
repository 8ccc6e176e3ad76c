#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace elf {

struct AbbrevAttribute {
    std::uint32_t name = 0;
    std::uint32_t form = 0;
    std::int64_t implicitConst = 0;
};

struct Abbrev {
    std::uint32_t tag = 0;
    bool children = false;
    std::vector<AbbrevAttribute> attributes;
};

// One unit's table of abbreviations in .debug_abbrev, by code.
class AbbrevTable {
public:
    // The table that starts at `offset`, nullopt when that is outside the section. A table
    // damaged part way keeps the entries before the damage: the entries a unit uses are
    // often all among them. `work` counts what was read, for the reader's budget.
    static std::optional<AbbrevTable> Parse(std::span<const std::uint8_t> section, std::uint64_t offset,
                                            std::size_t& work);

    const Abbrev* Find(std::uint64_t code) const;

private:
    // Codes are 1, 2, 3... in every toolchain's output: those are looked up by index.
    std::vector<Abbrev> m_dense;
    std::unordered_map<std::uint64_t, Abbrev> m_sparse;
};

} // namespace elf
