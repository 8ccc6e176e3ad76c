#include "monitor/MapFileReader.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using monitor::LoadMapFile;
using monitor::ParseMapLine;
using monitor::RamWindows;
using monitor::SymbolTable;

// MCU types 0 and 1: program RAM 0x7C00..0x7FFF, data RAM 0x0000..0x03FF.
const RamWindows kWindows = RamWindows::ForMcu(0);

struct LineCase {
    const char* what;
    std::string line;
    bool accepted;
    const char* name = "";
    std::uint32_t address = 0;
    std::int32_t size = 0;
    monitor::ViewType viewType = monitor::HEX16;
};

class MapLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(MapLine, IsReadAsTheToolchainsMean)
{
    const LineCase& c = GetParam();
    const auto entry = ParseMapLine(c.line, kWindows);
    ASSERT_EQ(entry.has_value(), c.accepted);
    if (!entry) return;
    EXPECT_EQ(entry->name, c.name);
    EXPECT_EQ(entry->address, c.address);
    EXPECT_EQ(entry->size, c.size);
    EXPECT_EQ(entry->viewType, c.viewType);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MapLine,
    ::testing::Values(
        LineCase{"bss", "  00000080 00000001 .bss    Fcounter\t(main.c)", true, "counter", 0x80, 1,
                 monitor::HEX16},
        LineCase{"data two words", "  00000082 00000002 .data   Flong\t(main.c)", true, "long",
                 0x82, 2, monitor::HEX32},
        LineCase{"three words", "  00000090 00000003 .bss    Ftext\t(isr.asm)", true, "text", 0x90,
                 3, monitor::ASCII},
        LineCase{"sixteen words", "  00000090 00000010 .bss    Fbuf\t(start.s)", true, "buf", 0x90,
                 16, monitor::ASCII},
        LineCase{"size zero", "  00000090 00000000 .bss    Fempty\t(main.c)", true, "empty", 0x90,
                 0, monitor::HEX16},
        LineCase{"one-character name", "  00000090 00000001 .bss    F\t(main.c)", true, "", 0x90,
                 1},
        LineCase{"prefix dropped whatever it is", "  00000090 00000001 .bss    _x\t(main.c)", true,
                 "x", 0x90, 1},
        LineCase{"CR LF line end", "  00000080 00000001 .bss    Fcounter\t(main.c)\r", true,
                 "counter", 0x80, 1},
        LineCase{"object of a c source", "  00000080 00000001 .bss    Fcounter\t(main_c.obj)", true,
                 "counter", 0x80, 1},
        LineCase{"object of an asm source", "  00000081 00000001 .data   Fvec\t(isr_asm.obj)", true,
                 "vec", 0x81, 1},
        LineCase{"object of an s source", "  00000081 00000001 .data   Fvec\t(start_s.obj)", true,
                 "vec", 0x81, 1},
        LineCase{"object name and CR LF", "  00000081 00000001 .data   Fvec\t(start_s.obj)\r", true,
                 "vec", 0x81, 1},
        LineCase{"CR LF with its LF", "  00000081 00000001 .data   Fvec\t(a.c)\r\n", true, "vec",
                 0x81, 1},
        LineCase{"two CRs", "  00000081 00000001 .data   Fvec\t(a.c)\t\r\r", false},
        LineCase{"two CRs and LF", "  00000081 00000001 .data   Fvec\t(a.c)\t\r\r\n", false},
        LineCase{"0x prefix on the numbers", "  0x0081 0x2 .data   Fvec\t(a.c)", true, "vec", 0x81,
                 2, monitor::HEX32},
        LineCase{"digits stop at a non-digit", "  0081zz 2q .data   Fvec\t(a.c)", true, "vec", 0x81,
                 2, monitor::HEX32},
        LineCase{"program RAM, last word", "  00007FFF 00000001 .bss    Fp\t(a.c)", true, "p",
                 0x7FFF, 1},
        LineCase{"data RAM, last word", "  000003FF 00000001 .bss    Fd\t(a.c)", true, "d", 0x3FF,
                 1},
        LineCase{"past data RAM", "  00000400 00000001 .bss    Fd\t(a.c)", false},
        LineCase{"below program RAM", "  00007BFF 00000001 .bss    Fp\t(a.c)", false},
        LineCase{"code section", "  00000080 0000009A .text   Fmain\t(main.c)", false},
        LineCase{"section in capitals", "  00000080 00000001 .BSS    Fx\t(main.c)", false},
        LineCase{"comment", "# 00000080 00000001 .bss    Fx\t(main.c)", false},
        LineCase{"comment after blanks", "   #>00000080 00000001 .bss    Fx\t(main.c)", false},
        LineCase{"library", "  000000C0 00000002 .bss    F__mem_pool\t(MSL_C.56800E.lib)", false},
        LineCase{"library member with inner spaces",
                 "  000000C0 00000002 .bss    Ferrno\t(MSL C 56800E smm.lib errno.o        )",
                 false},
        LineCase{"other object", "  000000C4 00000001 .bss    Fmark\t(demo.o)", false},
        LineCase{"object of another kind", "  000000C4 00000001 .bss    Fmark\t(demo_cpp.obj)",
                 false},
        LineCase{"extension in capitals", "  000000C4 00000001 .bss    Fmark\t(demo.C)", false},
        LineCase{"no source", "  000000C4 00000001 .bss    Fmark", false},
        LineCase{"source without a dot", "  000000C4 00000001 .bss    Fmark\t(democ)", false},
        LineCase{"TAB is no field separator", "\t00000080\t00000001\t.bss\tFx\t(main.c)", false},
        LineCase{"memory-map table row", "  00000000 00000000 00000084 .bss\t(main.c)", false},
        LineCase{"memory-map table header", "  v_addr   p_addr   size     name", false},
        LineCase{"empty line", "", false}));

TEST(MapFile, ReadsCrLfFilesLikeLfFilesAndKeepsFileOrderAndDuplicates)
{
    support::TempDir dir;
    const std::string lines[] = {
        "# Link map",
        "  00000082 00000001 .bss    Fzeta\t(main_c.obj)",
        "  00000080 00000002 .data   Falpha\t(main_c.obj)",
        "  00000080 0000009A .text   Fmain\t(main_c.obj)",
        "  00000084 00000001 .bss    Fzeta\t(util.c)",
    };
    std::string lf, crlf;
    for (const auto& l : lines) {
        lf += l + "\n";
        crlf += l + "\r\n";
    }
    for (const std::string& text : {lf, crlf}) {
        SymbolTable table;
        const auto result = LoadMapFile(dir.Write("app.xMAP", text), kWindows, table);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.count, 3);
        EXPECT_EQ(result.dropped, 0);
        ASSERT_EQ(table.count(), 3);
        EXPECT_EQ(table.at(0).name, "zeta");
        EXPECT_EQ(table.at(1).name, "alpha");
        EXPECT_EQ(table.at(2).name, "zeta");
        EXPECT_EQ(table.at(2).address, 0x84u);
        EXPECT_EQ(table.Find("zeta"), 0);
    }
}

TEST(MapFile, KeepsAThousandSymbolsAndCountsTheRest)
{
    support::TempDir dir;
    std::string text;
    for (int i = 0; i < 1003; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "  %08X 00000001 .bss    Fv%d\t(a.c)\n", i % 0x400, i);
        text += line;
    }
    SymbolTable table;
    const auto result = LoadMapFile(dir.Write("big.xMAP", text), kWindows, table);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.count, 1000);
    EXPECT_EQ(result.dropped, 3);
    EXPECT_EQ(table.dropped(), 3);
    EXPECT_EQ(table.at(999).name, "v999");
}

// A map that is not a plain file must fail at once: a FIFO blocked the open forever and
// /dev/zero was read until the memory ran out.
TEST(MapFile, APathThatIsNoReadableMapLeavesTheTableAndSaysWhy)
{
    support::TempDir dir;
    const std::string fifo = dir.Path("fifo.xMAP");
    if (!support::MakeFifo(fifo)) GTEST_SKIP() << "this system has no FIFOs";
    const std::string huge = dir.Path("huge.xMAP");
    std::filesystem::resize_file(dir.Write("huge.xMAP", ""), monitor::kMapFileLimit + 1);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.Path("gone.xMAP"), "No such file or directory"},
        {dir.path().string(), "a folder, not a file"},
        {fifo, "not a regular file but a FIFO"},
        {"/dev/zero", "not a regular file but a device"},
        {huge, "larger than 64 MiB"},
        {"", "no file name given"},
    };
    SymbolTable table;
    ASSERT_TRUE(
        LoadMapFile(dir.Write("a.xMAP", "  00000080 00000001 .bss Fa\t(a.c)\n"), kWindows, table)
            .ok);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto result = LoadMapFile(c.path, kWindows, table);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, c.reason);
        ASSERT_EQ(table.count(), 1);
        EXPECT_EQ(table.at(0).name, "a");
    }
}

TEST(MapFile, ALineLongerThan64KiBIsSkippedAndCounted)
{
    support::TempDir dir;
    const std::string symbol = "  00000080 00000001 .bss Fa\t(a.c)";
    const std::string atLimit = symbol + std::string(monitor::kMapLineLimit - symbol.size(), ' ');
    const std::string text = atLimit + "\n" + symbol + std::string(monitor::kMapLineLimit, ' ') +
                             "\n" + atLimit + "x\r\n";
    SymbolTable table;
    const auto result = LoadMapFile(dir.Write("long.xMAP", text), kWindows, table);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(result.longLines, 2);
}

TEST(MapFile, NamesAreLatin1AndTheEmptyFileLoads)
{
    support::TempDir dir;
    SymbolTable table;
    ASSERT_TRUE(LoadMapFile(dir.Write("l.xMAP", "  00000080 00000001 .bss F\xE9t\xE9\t(a.c)\n"),
                            kWindows, table)
                    .ok);
    EXPECT_EQ(table.at(0).name, "\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(LoadMapFile(dir.Write("e.xMAP", ""), kWindows, table).ok);
    EXPECT_EQ(table.count(), 0);
}

TEST(MapFile, TheDemoMapGivesTheDemoProgramsVariables)
{
    SymbolTable table;
    const auto result =
        LoadMapFile(QUOBIN_EXAMPLES_DIR "/demo.xMAP", RamWindows::ForMcu(27), table);
    ASSERT_TRUE(result.ok);
    std::string names;
    for (const auto& e : table.entries())
        names += e.name + " ";
    EXPECT_EQ(names, "counter16 counter32 sineWave sineAmplitude sinePeriodMs triangle "
                     "triangleStep runFlag message ");
    EXPECT_EQ(table.at(8).viewType, monitor::ASCII);
}

TEST(SymbolTableOrder, ListsNamesIgnoringCaseAndKeepsEqualNamesInFileOrder)
{
    SymbolTable table;
    table.Assign({{"gamma", 1, 1, monitor::HEX16},
                  {"Beta", 2, 1, monitor::HEX16},
                  {"alpha", 3, 1, monitor::HEX16},
                  {"beta", 4, 1, monitor::HEX16}},
                 0);
    EXPECT_EQ(table.DisplayOrder(), (std::vector<int>{2, 1, 3, 0}));
}

} // namespace
