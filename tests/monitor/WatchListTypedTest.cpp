#include <gtest/gtest.h>

#include "monitor/WatchListFile.h"
#include "tests/elf/SampleProgram.h"
#include "tests/support/TempDir.h"

namespace monitor {
namespace {

class TypedWatchFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        map = dir.Write("app.elf.xMAP", "");
        table.Assign({{"pConv", 0x80, 4, HEX16}, {"f16Calibration", 0x100, 1024, HEX16}}, 0);
        types.Merge(table, elf::test::SampleProgram());
    }

    support::TempDir dir;
    std::string map;
    SymbolTable table;
    TypedSymbols types;
    WatchList list;
};

// A member row goes into the file by its path and comes back with the same place and
// view once the ELF names that path again.
TEST_F(TypedWatchFile, MemberRowsRoundTripByPathName)
{
    std::string error;
    const auto gain = types.Resolve(table, "pConv.gain", error);
    const auto last = types.Resolve(table, "f16Calibration[1023]", error);
    list.AddSymbolWatch(table, 0);
    list.AddMemberWatch(*gain, gain->viewType);
    list.AddMemberWatch(*last, FRAC16);
    ASSERT_TRUE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.elf.Mon"), "3,0\r\npConv,2\r\npConv.gain,8\r\nf16Calibration[1023],10\r\n");

    WatchList restored;
    RestoreWatchList(map, table, restored, &types);
    const auto rows = restored.Rows(WatchListId::Symbols);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].name, "pConv.gain");
    EXPECT_EQ(rows[1].address, 0x80u);
    EXPECT_EQ(rows[2].address, 0x100u + 1023);
    EXPECT_EQ(rows[2].viewType, FRAC16);
}

// Without the ELF (or with a map that lacks a name) the lines are not shown but survive
// the next save unchanged.
TEST_F(TypedWatchFile, UnresolvedLinesAreWrittenBackUnchanged)
{
    dir.Write("app.elf.Mon", "3,1\r\npConv.gain,8\r\nghost,11\r\npConv,4\r\n0x000010,2\r\n");
    RestoreWatchList(map, table, list); // no types
    ASSERT_EQ(list.RowCount(WatchListId::Symbols), 1);
    ASSERT_TRUE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.elf.Mon"), "3,1\r\npConv,4\r\npConv.gain,8\r\nghost,11\r\n0x000010,2\r\n");
}

} // namespace
} // namespace monitor
