#include <gtest/gtest.h>

#include "monitor/FracText.h"
#include "monitor/TypedSymbols.h"
#include "tests/elf/SampleProgram.h"

namespace monitor {
namespace {

SymbolEntry Entry(const char* name, std::uint32_t address, std::int32_t size)
{
    return {name, address, size, DefaultViewType(size)};
}

class TypedSymbolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        elf::DebugInfo info = elf::test::SampleProgram();
        // A struct with an anonymous union (named by a number) whose field is repeated.
        elf::Type inner;
        inner.kind = elf::TypeKind::Union, inner.byteSize = 2, inner.members = {{"raw", 1, 0}};
        info.types.push_back(inner);
        elf::Type outer;
        outer.kind = elf::TypeKind::Struct, outer.name = "REG", outer.byteSize = 2;
        outer.members = {{"0", static_cast<int>(info.types.size() - 1), 0}, {"raw", 1, 0}};
        info.types.push_back(outer);
        info.variables.push_back({"reg", 0x1010, static_cast<int>(info.types.size() - 1)});
        info.variables.push_back({"count", 0x1020, 0});
        AddDamagedVariables(info);
        table.Assign({Entry("pConv", 0x80, 4), Entry("name", 0x90, 31), Entry("f16Calibration", 0x100, 1024),
                      Entry("mode", 0x800, 1), Entry("f16Gain", 0x801, 1), Entry("pLink", 0x802, 1),
                      Entry("oddChar", 0x99, 1), Entry("loopy", 0x803, 1), Entry("status", 0x805, 1),
                      Entry("reg", 0x808, 1), Entry("count$12", 0x810, 1), Entry("moved", 0x900, 1),
                      Entry("mapOnly", 0x901, 1), Entry("big", 0x1000, 2048), Entry("odd", 0x1800, 1),
                      Entry("txt", 0x1801, 1)},
                     0);
        elf::Variable moved{"moved", 0x1300, 0};
        info.variables.push_back(moved);
        typed.Merge(table, std::move(info));
    }

    // What damaged ELFs give: an array whose elements run past its size and past 2^32
    // bytes, a member far outside its struct, a char array of 4 GB.
    static void AddDamagedVariables(elf::DebugInfo& info)
    {
        const auto add = [&](elf::Type type) {
            info.types.push_back(std::move(type));
            return static_cast<int>(info.types.size() - 1);
        };
        elf::Type big;
        big.kind = elf::TypeKind::Struct, big.name = "tagBIG", big.byteSize = 512, big.members = {{"a", 0, 0}};
        elf::Type bigArray;
        bigArray.kind = elf::TypeKind::Array, bigArray.byteSize = 4096, bigArray.count = 0xFFFFFF;
        bigArray.target = add(big);
        info.variables.push_back({"big", 0x2000, add(bigArray)});
        elf::Type odd;
        odd.kind = elf::TypeKind::Struct, odd.name = "tagODD", odd.byteSize = 2, odd.members = {{"far", 0, 0xFFFFFFF0u}};
        info.variables.push_back({"odd", 0x3000, add(odd)});
        elf::Type c8;
        c8.kind = elf::TypeKind::Base, c8.name = "char", c8.byteSize = 1;
        elf::Type txt;
        txt.kind = elf::TypeKind::Array, txt.byteSize = 0xFFFFFFFFu, txt.target = add(c8);
        info.variables.push_back({"txt", 0x3002, add(txt)});
    }

    SymbolTable table;
    TypedSymbols typed;
};

// The default view follows the C type; the odd-byte char moves to the ELF's word and
// lane; a type loop, a name at another address and a map-only name stay untyped, and
// only the moved one counts as a disagreement.
TEST_F(TypedSymbolsTest, MergeGivesTypesAndViewsByTheRules)
{
    const struct {
        const char* name;
        const char* type;
        ViewType view;
        std::uint32_t address;
    } expected[] = {
        {"pConv", "struct tagPARAMCONVERSION", HEX16, 0x80}, {"name", "unsigned char[61]", ASCII, 0x90},
        {"f16Calibration", "short[1024]", HEX16, 0x100},    {"mode", "enum MODE", UINT16, 0x800},
        {"f16Gain", "Frac16", FRAC16, 0x801},                {"pLink", "struct tagPARAMCONVERSION *", HEX16, 0x802},
        {"oddChar", "unsigned char", BYTE_HIGH, 0x98},       {"loopy", "", HEX16, 0x803},
        {"status", "volatile unsigned short", UINT16, 0x805}, {"count$12", "short", INT16, 0x810},
        {"moved", "", HEX16, 0x900},                          {"mapOnly", "", HEX16, 0x901},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const int index = table.Find(e.name);
        const TypedRow* row = typed.RowOf(index);
        EXPECT_EQ(row ? row->typeText : "", e.type);
        EXPECT_EQ(table.at(index).viewType, e.view);
        EXPECT_EQ(table.at(index).address, e.address);
    }
    EXPECT_EQ(typed.disagreements(), 1);
}

TEST_F(TypedSymbolsTest, ChildrenHaveTheirOwnPathAddressAndView)
{
    const ChildRows conv = typed.Children(*typed.RowOf(table.Find("pConv")));
    ASSERT_EQ(conv.rows.size(), 5u);
    EXPECT_EQ(conv.rows[0].path, "pConv.gain");
    EXPECT_EQ(conv.rows[0].viewType, FLOAT);
    EXPECT_EQ(conv.rows[1].address, 0x82u);
    EXPECT_EQ(conv.rows[2].path, "pConv.RW");
    EXPECT_EQ(conv.rows[2].address, 0x83u);
    EXPECT_EQ(conv.rows[2].typeText, "unsigned short : 1");
    ASSERT_TRUE(conv.rows[2].bits.has_value());
    EXPECT_EQ(conv.rows[2].bits->lsb, 15);

    const ChildRows table1024 = typed.Children(*typed.RowOf(table.Find("f16Calibration")));
    EXPECT_EQ(table1024.rows.size(), 256u);
    EXPECT_EQ(table1024.more, 768u);
    EXPECT_EQ(table1024.rows.back().path, "f16Calibration[255]");
    EXPECT_EQ(table1024.rows.back().address, 0x100u + 255);

    const ChildRows reg = typed.Children(*typed.RowOf(table.Find("reg")));
    ASSERT_EQ(reg.rows.size(), 1u); // the anonymous union's field once, not the union too
    EXPECT_EQ(reg.rows[0].path, "reg.raw");
}

TEST_F(TypedSymbolsTest, ResolvesPathNamesAndSaysWhichStepIsWrong)
{
    const struct {
        const char* path;
        std::uint32_t address; // 0: refused
        const char* error;
    } cases[] = {
        {"pConv.gain", 0x80, ""},
        {"f16Calibration[1023]", 0x100 + 1023, ""},
        {"name[60]", 0x90 + 30, ""},
        {"mapOnly", 0x901, ""},
        {"pConv.nope", 0, "'pConv' has no member 'nope'"},
        {"name[61]", 0, "'name' has 61 elements"},
        {"mode.x", 0, "'mode' has no member 'x'"},
        {"mode[1]", 0, "'mode' is not an array"},
        {"mapOnly.x", 0, "the ELF gives no type for 'mapOnly', so it has no members"},
        {"pConv..gain", 0, "'pConv..gain' is not a symbol or a path name such as a.b[2].c"},
        {"name[x]", 0, "'name[x]' is not a symbol or a path name such as a.b[2].c"},
        {"ghost.a", 0, "no symbol 'ghost' in the map"},
        // Addresses are computed in 64 bits: nothing wraps onto another variable.
        {"big[7].a", 0x1000 + 7 * 256, ""},
        {"big[8].a", 0, "'big[8]' lies outside 'big' (the ELF puts it at byte 4096 of 4096)"},
        {"big[8388608].a", 0, "'big[8388608]' lies outside 'big' (the ELF puts it at byte 4294967296 of 4096)"},
        {"odd.far", 0, "'odd.far' lies outside 'odd' (the ELF puts it at byte 4294967280 of 2)"},
        {"txt", 0, "the ELF gives 'txt' 4294967295 bytes, more than the data memory holds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        const auto row = typed.Resolve(table, c.path, error);
        EXPECT_EQ(row ? row->address : 0, c.address);
        EXPECT_EQ(error, c.error);
    }
}

// A struct whose two members are of its own type (as a damaged file can say): the walk
// stops at its depth and its budget instead of doubling at every level.
TEST(TypedSymbolsWalk, SelfReferencingStructStopsAtDepthAndBudget)
{
    elf::DebugInfo info;
    elf::Type loop;
    loop.kind = elf::TypeKind::Struct, loop.name = "LOOP", loop.byteSize = 2, loop.members = {{"a", 0, 0}, {"b", 0, 0}};
    info.types.push_back(loop);
    info.variables.push_back({"loop", 0x100, 0});
    SymbolTable table;
    table.Assign({Entry("loop", 0x80, 1)}, 0);
    TypedSymbols typed;
    typed.Merge(table, std::move(info));
    const TypedRow& root = *typed.RowOf(0);

    std::vector<std::string> paths;
    std::size_t budget = 1000;
    typed.EachDescendant(root, 3, budget, [&](const TypedRow& row) { paths.push_back(row.path); });
    EXPECT_EQ(paths.size(), 2u + 4u + 8u);
    EXPECT_EQ(budget, 1000u - 14u);
    ASSERT_GE(paths.size(), 4u); // depth first, each right after its parent
    EXPECT_EQ(paths[0], "loop.a");
    EXPECT_EQ(paths[1], "loop.a.a");
    EXPECT_EQ(paths[2], "loop.a.a.a");
    EXPECT_EQ(paths[3], "loop.a.a.b");

    budget = 5;
    paths.clear();
    typed.EachDescendant(root, 64, budget, [&](const TypedRow& row) { paths.push_back(row.path); });
    EXPECT_EQ(paths.size(), 5u);
    EXPECT_EQ(budget, 0u);
}

TEST_F(TypedSymbolsTest, BitFieldsAndEnumsShowTheirOwnValue)
{
    std::string error;
    const auto rw = typed.Resolve(table, "pConv.RW", error);
    const auto data = typed.Resolve(table, "pConv.DATA", error);
    const auto addr = typed.Resolve(table, "pConv.ADDR", error);
    EXPECT_EQ(typed.ValueText(*rw, 0x8000, "0x8000"), "1");
    EXPECT_EQ(typed.ValueText(*data, 0xFFFF, "0xFFFF"), "2047");
    EXPECT_EQ(typed.ValueText(*addr, 0x5800, "0x5800"), "11");
    const auto mode = typed.Resolve(table, "mode", error);
    EXPECT_EQ(typed.ValueText(*mode, 3, "3"), "3 (MODE_RUN)");
    EXPECT_EQ(typed.ValueText(*mode, 7, "7"), "7");
    EXPECT_EQ(BitFieldPlace(*rw), "bit 15 of 0x000083");
    EXPECT_EQ(BitFieldPlace(*data), "bits 10..0 of 0x000083");
}

TEST(FracText, ConvertsAtTheEdgesAndRefusesOutsideTheRange)
{
    const struct {
        const char* text;
        ViewType view;
        std::optional<std::uint32_t> bits;
    } cases[] = {
        {"-1", FRAC16, 0x8000u},      {"0.5", FRAC16, 0x4000u},      {" 0.99999 ", FRAC16, 0x7FFFu},
        {"-0.00002", FRAC16, 0xFFFFu}, {"1", FRAC16, std::nullopt},   {"-1.0001", FRAC16, std::nullopt},
        {"0.5x", FRAC16, std::nullopt}, {"", FRAC16, std::nullopt},    {"-1", FRAC32, 0x80000000u},
        {"0.5", FRAC32, 0x40000000u},   {"0.9999999999", FRAC32, 0x7FFFFFFFu}, {"1.0", FRAC32, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncodeFracText(c.text, c.view), c.bits);
    }
    EXPECT_EQ(FormatMonitorValue(FRAC16, 0x8000), "-1.000000");
    EXPECT_EQ(FormatMonitorValue(FRAC16, 0x7FFF), "0.999969");
    EXPECT_EQ(FormatMonitorValue(FRAC32, 0xC0000000u), "-0.500000");
    EXPECT_EQ(ViewTypeFromNumber(11), FRAC32);
    EXPECT_TRUE(IsTwoWordViewType(FRAC32));
}

} // namespace
} // namespace monitor
