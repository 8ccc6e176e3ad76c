#include <gtest/gtest.h>

#include <dwarf.h>

#include <string>
#include <vector>

#include "elf/DwarfAbbrev.h"
#include "elf/DwarfUnits.h"

namespace elf {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- abbreviations ----

struct AbbrevCase {
    const char* what;
    Bytes section;
    std::uint64_t offset;
    bool found;         // a table at all
    std::uint64_t code; // looked up
    std::uint32_t tag;  // 0: the code is not there
    bool children;
    std::size_t attributes;
    std::int64_t implicitConst; // of the last attribute
};

const AbbrevCase kAbbrevs[] = {
    {"one entry", {1, DW_TAG_variable, 0, DW_AT_name, DW_FORM_string, DW_AT_type, DW_FORM_ref4, 0, 0, 0}, 0, true, 1,
     DW_TAG_variable, false, 2, 0},
    {"children flag", {1, DW_TAG_structure_type, 1, 0, 0, 0}, 0, true, 1, DW_TAG_structure_type, true, 0, 0},
    {"a children byte other than 1 means none", {1, DW_TAG_structure_type, 0x87, 0, 0, 0}, 0, true, 1,
     DW_TAG_structure_type, false, 0, 0},
    {"implicit const keeps its value", {1, DW_TAG_member, 0, DW_AT_byte_size, DW_FORM_implicit_const, 0x7E, 0, 0, 0}, 0,
     true, 1, DW_TAG_member, false, 1, -2},
    {"codes out of order", {5, DW_TAG_typedef, 0, 0, 0, 2, DW_TAG_base_type, 0, 0, 0, 0}, 0, true, 2, DW_TAG_base_type,
     false, 0, 0},
    {"a table further on", {0, 1, DW_TAG_array_type, 1, 0, 0, 0}, 1, true, 1, DW_TAG_array_type, true, 0, 0},
    {"code not in the table", {1, DW_TAG_variable, 0, 0, 0, 0}, 0, true, 2, 0, false, 0, 0},
    {"cut after the first entry keeps it", {1, DW_TAG_variable, 0, 0, 0, 2, DW_TAG_member, 0, DW_AT_name}, 0, true, 1,
     DW_TAG_variable, false, 0, 0},
    {"offset past the section", {1, DW_TAG_variable, 0, 0, 0, 0}, 6, false, 1, 0, false, 0, 0},
};

class Abbrevs : public ::testing::TestWithParam<AbbrevCase> {};

// Catches a misread children flag or attribute list, a lost implicit constant, a code
// looked up by position instead of by number, and a damaged table taking its good
// entries with it.
TEST_P(Abbrevs, TableIsReadByCode)
{
    const AbbrevCase& c = GetParam();
    SCOPED_TRACE(c.what);
    std::size_t work = 0;
    const auto table = AbbrevTable::Parse(c.section, c.offset, work);
    ASSERT_EQ(table.has_value(), c.found);
    if (!table) return;
    const Abbrev* abbrev = table->Find(c.code);
    if (c.tag == 0) {
        EXPECT_EQ(abbrev, nullptr);
        return;
    }
    ASSERT_NE(abbrev, nullptr);
    EXPECT_EQ(abbrev->tag, c.tag);
    EXPECT_EQ(abbrev->children, c.children);
    ASSERT_EQ(abbrev->attributes.size(), c.attributes);
    if (c.attributes > 0) {
        EXPECT_EQ(abbrev->attributes.back().implicitConst, c.implicitConst);
    }
}

INSTANTIATE_TEST_SUITE_P(Dwarf, Abbrevs, ::testing::ValuesIn(kAbbrevs));

// ---- unit headers ----

// A unit of `version` whose body (after the header) is `body` bytes of `fill`.
Bytes Unit(int version, std::size_t body, std::uint8_t fill = 1, std::uint8_t unitType = DW_UT_compile)
{
    Bytes header;
    if (version == 5) {
        header = {5, 0, unitType, 4, 0, 0, 0, 0};
        if (unitType == DW_UT_type) header.resize(header.size() + 12, 0);
    } else {
        header = {static_cast<std::uint8_t>(version), 0, 0, 0, 0, 0, 4};
    }
    const std::size_t length = header.size() + body;
    Bytes unit = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                  static_cast<std::uint8_t>(length >> 16), 0};
    unit = unit + header;
    unit.resize(unit.size() + body, fill);
    return unit;
}

struct Found {
    std::size_t offset;
    std::size_t end;
    int version;
    std::size_t firstEntry;
};

struct UnitCase {
    const char* what;
    Bytes section;
    std::vector<Found> units;
    std::string problem;
};

const UnitCase kUnits[] = {
    {"one unit of DWARF 4", Unit(4, 5), {{0, 16, 4, 11}}, ""},
    {"DWARF 5 puts the unit type first", Unit(5, 5), {{0, 17, 5, 12}}, ""},
    {"DWARF 5 type unit has a signature and type offset", Unit(5, 3, 1, DW_UT_type), {{0, 27, 5, 24}}, ""},
    {"two units", Unit(2, 3) + Unit(3, 4), {{0, 14, 2, 11}, {14, 29, 3, 25}}, ""},
    {"stray zeros belong to the unit before", Unit(2, 3) + Bytes(5, 0) + Unit(2, 3),
     {{0, 19, 2, 11}, {19, 33, 2, 30}}, ""},
    {"a unit of length 0x100 starts with a zero byte and is read", Unit(2, 3) + Bytes(2, 0) + Unit(2, 0x100 - 7),
     {{0, 16, 2, 11}, {16, 16 + 0x104, 2, 27}}, ""},
    {"last unit cut short", Bytes{40, 0, 0, 0, 2, 0, 0, 0, 0, 0, 4, 1, 1}, {{0, 13, 2, 11}},
     "the last unit of .debug_info is cut short"},
    {"64-bit unit stepped over", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0} + Unit(4, 1),
     {{15, 27, 4, 26}}, "the unit at 0x0 of .debug_info is 64-bit DWARF, which is not read"},
    {"unknown DWARF 5 unit type ends the walk", Unit(5, 2, 1, 9) + Unit(2, 2), {},
     "the unit at 0x0 of .debug_info is of unknown type 9"},
    {"version 6 ends the walk", Unit(6, 2) + Unit(2, 2), {}, "the unit at 0x0 of .debug_info has DWARF version 6"},
    {"address size 0 ends the walk", Bytes{7, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0}, {},
     "the unit at 0x0 of .debug_info has no valid header"},
    {"a tail too short for a header is left", Unit(2, 1) + Bytes(6, 9), {{0, 12, 2, 11}}, ""},
};

class Units : public ::testing::TestWithParam<UnitCase> {};

// Catches padding taken for a unit (or a unit for padding), a header of DWARF 5 read in
// the older order, a cut unit read past the section, and a 64-bit unit misread as a
// 32-bit one with a length of 4 GB.
TEST_P(Units, HeadersAndThePaddingBetweenThem)
{
    const UnitCase& c = GetParam();
    SCOPED_TRACE(c.what);
    std::string problem;
    const auto units = FindUnits(c.section, problem);
    EXPECT_EQ(problem, c.problem);
    ASSERT_EQ(units.size(), c.units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        EXPECT_EQ(units[i].offset, c.units[i].offset) << i;
        EXPECT_EQ(units[i].end, c.units[i].end) << i;
        EXPECT_EQ(units[i].version, c.units[i].version) << i;
        EXPECT_EQ(units[i].firstEntry, c.units[i].firstEntry) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Dwarf, Units, ::testing::ValuesIn(kUnits));

} // namespace
// A unit of DWARF 5 without DW_AT_str_offsets_base indexes the table from after its header
// only when the header is sound; libdw then starts at 0, and so must we, or every indexed
// name of the unit is another's.
TEST(StrOffsets, TheTableStartsAfterASoundHeaderOnly)
{
    const struct {
        const char* what;
        Bytes table;
        std::uint64_t start;
    } cases[] = {
        {"32-bit header", Bytes{8, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0}, 8},
        {"64-bit header", Bytes{0xFF, 0xFF, 0xFF, 0xFF, 8, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0}, 16},
        {"length past the section", Bytes{0xEC, 0, 0, 5, 5, 0, 0, 0, 1, 0, 0, 0}, 0},
        {"version 4", Bytes{8, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0}, 0},
        {"length below the header's rest", Bytes{3, 0, 0, 0, 5, 0, 0, 0}, 0},
        {"cut short", Bytes{8, 0, 0}, 0},
        {"empty", Bytes{}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(StrOffsetsTableStart(c.table), c.start);
    }
}

} // namespace elf
