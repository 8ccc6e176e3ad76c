#include "elf/DwarfUnits.h"

#include <dwarf.h>

#include "elf/DwarfCursor.h"

namespace elf {
namespace {

constexpr std::size_t kHeaderAfterLength = 7; // version, abbreviations, address size
constexpr std::size_t kSmallestUnit = 4 + kHeaderAfterLength;

void Note(std::string& problem, const std::string& text)
{
    if (problem.empty()) problem = text;
}

// The fields after the length; false when they are not a unit header.
bool ReadHeader(std::span<const std::uint8_t> section, UnitHeader& unit, std::string& problem)
{
    Cursor in(section.subspan(0, unit.end), unit.offset + 4);
    unit.version = in.U16();
    if (unit.version < 2 || unit.version > 5) {
        Note(problem, "the unit at " + HexText(unit.offset) + " of .debug_info has DWARF version " +
                          std::to_string(unit.version));
        return false;
    }
    unit.unitType = DW_UT_compile;
    if (unit.version == 5) {
        unit.unitType = in.U8();
        unit.addressSize = in.U8();
        unit.abbrevOffset = in.U32();
        if (unit.unitType < DW_UT_compile || unit.unitType > DW_UT_split_type) {
            Note(problem, "the unit at " + HexText(unit.offset) + " of .debug_info is of unknown type " +
                              std::to_string(unit.unitType));
            return false;
        }
        if (unit.unitType == DW_UT_type || unit.unitType == DW_UT_split_type) in.Take(8 + 4);
        if (unit.unitType == DW_UT_skeleton || unit.unitType == DW_UT_split_compile) in.Take(8);
    } else {
        unit.abbrevOffset = in.U32();
        unit.addressSize = in.U8();
    }
    if (!in.ok() || unit.addressSize == 0 || unit.addressSize > 8) {
        Note(problem, "the unit at " + HexText(unit.offset) + " of .debug_info has no valid header");
        return false;
    }
    unit.firstEntry = in.at();
    return true;
}

} // namespace

bool CanStartUnit(std::span<const std::uint8_t> section, std::size_t at)
{
    if (at > section.size() || section.size() - at < kSmallestUnit) return false;
    Cursor in(section, at);
    const std::uint32_t length = in.U32();
    if (length < kHeaderAfterLength || length > section.size() - at - 4) return false;
    const std::uint16_t version = in.U16();
    if (version < 2 || version > 5) return false;
    // DWARF 5 puts the unit type before the address size; the older ones put the
    // abbreviation offset there.
    const std::uint8_t addressSize = section[at + (version == 5 ? 7 : 10)];
    return addressSize == 2 || addressSize == 4 || addressSize == 8;
}

std::vector<UnitHeader> FindUnits(std::span<const std::uint8_t> section, std::string& problem)
{
    std::vector<UnitHeader> units;
    const std::size_t end = section.size();
    std::size_t at = 0;
    while (end - at >= kSmallestUnit) {
        Cursor in(section, at);
        std::uint64_t length = in.U32();
        std::size_t lengthBytes = 4;
        if (length == 0xFFFFFFFFu) {
            // 64-bit DWARF: this target's toolchains never write it; stepped over.
            Note(problem, "the unit at " + HexText(at) + " of .debug_info is 64-bit DWARF, which is not read");
            length = in.U64();
            lengthBytes = 12;
            if (!in.ok() || length > end - at - lengthBytes) return units;
            at += lengthBytes + static_cast<std::size_t>(length);
            continue;
        }
        if (length >= 0xFFFFFFF0u) {
            Note(problem, "the unit at " + HexText(at) + " of .debug_info has a reserved length");
            return units;
        }
        if (length > end - at - lengthBytes) {
            length = end - at - lengthBytes;
            Note(problem, "the last unit of .debug_info is cut short");
        }
        std::size_t next = at + lengthBytes + static_cast<std::size_t>(length);
        while (next < end && section[next] == 0 && !CanStartUnit(section, next)) ++next;
        UnitHeader unit;
        unit.offset = at;
        unit.end = next;
        if (!ReadHeader(section, unit, problem)) return units;
        units.push_back(unit);
        at = next;
    }
    return units;
}

std::uint64_t StrOffsetsTableStart(std::span<const std::uint8_t> table)
{
    Cursor in(table);
    std::uint64_t length = in.U32();
    if (length == 0xFFFFFFFFu) length = in.U64();
    const std::size_t afterLength = in.at();
    const std::uint16_t version = in.U16();
    in.U16(); // padding
    if (!in.ok() || length < 4 || length > table.size() - afterLength || version != 5) return 0;
    return in.at();
}

} // namespace elf
