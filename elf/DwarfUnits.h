#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace elf {

// A unit of .debug_info, offsets relative to the section.
struct UnitHeader {
    std::size_t offset = 0;     // of its length field
    std::size_t end = 0;        // first byte after it, the padding after it included
    int version = 0;
    std::uint8_t unitType = 0;  // DWARF 5's; DW_UT_compile before
    std::uint8_t addressSize = 0;
    std::uint64_t abbrevOffset = 0;
    std::size_t firstEntry = 0; // its unit entry
};

// Whether a unit header can start at `at`: a length that fits what is left, a DWARF
// version of 2 to 5 and an address size of 2, 4 or 8. A unit whose length is a multiple
// of 256 starts with a zero byte and must not be taken for padding.
bool CanStartUnit(std::span<const std::uint8_t> section, std::size_t at);

// The units of .debug_info in order. Stray zero bytes after a unit, which linkers leave,
// become part of it up to the first place a unit can start; a last unit longer than the
// section is cut to fit. What cannot be read is said in `problem` unless it already
// says something.
std::vector<UnitHeader> FindUnits(std::span<const std::uint8_t> section, std::string& problem);

// Where a DWARF 5 unit's indexed strings start when it does not say: after the header of
// .debug_str_offsets when the section starts with a sound one (a length that fits, version
// 5), else at 0, as libdw reads them.
std::uint64_t StrOffsetsTableStart(std::span<const std::uint8_t> table);

} // namespace elf
