#include <gtest/gtest.h>

#include <dwarf.h>

#include <string>
#include <vector>

#include "elf/DieWalker.h"

namespace elf {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Abbreviations: 1 unit, 2 struct (name), 3 member (name), 4 struct that lost its
// children flag but says where its next sibling is (name, sibling), 5 an unknown code.
const Bytes kAbbrevs = {
    1, DW_TAG_compile_unit, 1, 0, 0,
    2, DW_TAG_structure_type, 1, DW_AT_name, DW_FORM_string, 0, 0,
    3, DW_TAG_member, 0, DW_AT_name, DW_FORM_string, 0, 0,
    4, DW_TAG_structure_type, 0, DW_AT_name, DW_FORM_string, DW_AT_sibling, DW_FORM_ref4, 0, 0,
    0,
};

// Entries after the unit header, written from a small language: "S:x" a struct named x
// with children, "M:x" a member, "L:x>N" a struct whose sibling is the Nth entry of
// the list (counting from 0, nulls included), "0" a null entry, "?" an unknown code.
Bytes UnitBytes(const std::vector<std::string>& entries)
{
    Bytes info = {0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 4, 1};
    std::vector<std::size_t> starts;
    std::vector<std::pair<std::size_t, std::size_t>> siblings; // where, which entry
    for (const std::string& e : entries) {
        starts.push_back(info.size());
        if (e == "0") {
            info.push_back(0);
        } else if (e == "?") {
            info.push_back(9);
        } else {
            info.push_back(e[0] == 'S' ? 2 : e[0] == 'M' ? 3 : 4);
            const std::size_t end = e.find('>');
            info.insert(info.end(), e.begin() + 2, e.begin() + static_cast<long>(end == std::string::npos ? e.size() : end));
            info.push_back(0);
            if (end != std::string::npos) {
                siblings.emplace_back(info.size(), std::stoul(e.substr(end + 1)));
                info.insert(info.end(), 4, 0);
            }
        }
    }
    info.push_back(0); // the end of the unit's children
    starts.push_back(info.size() - 1);
    for (const auto& [at, which] : siblings) info[at] = static_cast<std::uint8_t>(starts[which]);
    info[0] = static_cast<std::uint8_t>(info.size() - 4);
    return info;
}

struct WalkCase {
    const char* what;
    std::vector<std::string> entries;
    const char* recurseInto; // names whose children are walked; all others are skipped
    const char* stopAt;
    std::string visited;     // "name@depth " for each entry handed to the visitor
    bool complete;
};

const WalkCase kWalks[] = {
    {"children walked when recursed", {"S:a", "M:b", "M:c", "0", "M:d"}, "a", "", "a@1 b@2 c@2 d@1 ", true},
    {"children stepped over when skipped", {"S:a", "M:b", "M:c", "0", "M:d"}, "", "", "a@1 d@1 ", true},
    {"nested children stepped over", {"S:a", "S:b", "M:c", "0", "M:e", "0", "M:d"}, "", "", "a@1 d@1 ", true},
    {"recursed into the outer only", {"S:a", "S:b", "M:c", "0", "M:e", "0", "M:d"}, "a", "", "a@1 b@2 e@2 d@1 ", true},
    {"stop ends the walk", {"S:a", "M:b", "M:c", "0", "M:d"}, "a", "b", "a@1 b@2 ", false},
    {"a lost children flag is mended by the sibling reference", {"L:a>3", "M:lost", "0", "M:d"}, "", "", "a@1 d@1 ", true},
    {"an empty list of children", {"S:a", "0", "M:d"}, "a", "", "a@1 d@1 ", true},
    {"an unknown abbreviation ends the walk as damage", {"M:a", "?", "M:b"}, "", "", "a@1 ", false},
};

class Walks : public ::testing::TestWithParam<WalkCase> {};

// Catches children visited when skipped (members of a nested struct taken for the
// outer's), siblings lost after a skipped subtree, a Stop that does not stop, and a
// struct that lost its children flag taking the unit's remaining entries with it.
TEST_P(Walks, VisitsInOrderWithTheirDepth)
{
    const WalkCase& c = GetParam();
    SCOPED_TRACE(c.what);
    DwarfSections sections;
    const Bytes info = UnitBytes(c.entries);
    sections.info = info;
    sections.abbrev = kAbbrevs;
    std::string problem;
    DieReader reader(sections, problem);
    const auto headers = FindUnits(sections.info, problem);
    ASSERT_EQ(headers.size(), 1u);
    Unit unit;
    unit.header = headers[0];
    unit.form = {4, 4, 0, headers[0].end};
    unit.abbrevs = reader.Abbrevs(0);
    Die top;
    ASSERT_TRUE(reader.Read(unit, unit.header.firstEntry, top));
    std::string visited;
    const std::string recurse = c.recurseInto;
    const bool complete = reader.Walk(unit, top, [&](const Die& die, int depth) {
        const auto name = reader.String(unit, *die.Get(DW_AT_name));
        const std::string text(name ? name->second : "?");
        visited += text + "@" + std::to_string(depth) + " ";
        if (text == c.stopAt) return Visit::Stop;
        return recurse.find(text) != std::string::npos ? Visit::Recurse : Visit::Skip;
    });
    EXPECT_EQ(visited, c.visited);
    EXPECT_EQ(complete, c.complete);
}

INSTANTIATE_TEST_SUITE_P(Dwarf, Walks, ::testing::ValuesIn(kWalks));

} // namespace
} // namespace elf
