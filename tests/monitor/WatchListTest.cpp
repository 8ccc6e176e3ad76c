#include "monitor/WatchList.h"
#include "monitor/WatchListFile.h"
#include "platform/Utf8Path.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace monitor;

SymbolTable Table()
{
    SymbolTable table;
    table.Assign({{"counter", 0x80, 1, HEX16},
                  {"total", 0x82, 2, HEX32},
                  {"message", 0x90, 16, ASCII},
                  {"counter", 0x94, 1, HEX16}},
                 0);
    return table;
}

std::string Addresses(const WatchList& list)
{
    std::string out;
    for (const MonitorItem& row : list.Rows(WatchListId::Addresses)) {
        char text[40];
        std::snprintf(text, sizeof text, "%s0x%06X:%s", out.empty() ? "" : " ", row.address,
                      ViewTypeName(row.viewType));
        out += text;
    }
    return out;
}

TEST(WatchList, SymbolRowsAreUniqueAndCarryTheirSymbol)
{
    SymbolTable table = Table();
    WatchList list;
    EXPECT_TRUE(list.AddSymbolWatch(table, 1));
    EXPECT_TRUE(list.AddSymbolWatch(table, 0));
    table.SetViewType(1, INT32);
    EXPECT_FALSE(list.AddSymbolWatch(table, 1)); // already there: its type stays
    EXPECT_TRUE(list.AddSymbolWatch(table, 3));  // same name, another symbol
    EXPECT_FALSE(list.AddSymbolWatch(table, 4));
    EXPECT_FALSE(list.AddSymbolWatch(table, -1));
    const auto rows = list.Rows(WatchListId::Symbols);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "total");
    EXPECT_EQ(rows[0].address, 0x82u);
    EXPECT_EQ(rows[0].size, 2);
    EXPECT_EQ(rows[0].viewType, HEX32);
    EXPECT_EQ(rows[0].valueText, "");
    EXPECT_EQ(rows[2].address, 0x94u);
}

TEST(WatchList, AddressRowsAreUniqueRunsStepByWidthAndAreCapped)
{
    WatchList list;
    EXPECT_TRUE(list.AddAddressWatch(0x11, FLOAT));
    EXPECT_FALSE(list.AddAddressWatch(0x11, HEX16));
    EXPECT_EQ(list.AddAddressRun(0x10, 3, HEX16), 2);
    EXPECT_EQ(list.AddAddressRun(0x100, 3, INT32), 3);
    EXPECT_EQ(list.AddAddressRun(0x200, 0, INT32), 0);
    EXPECT_EQ(Addresses(list), "0x000011:FLOAT 0x000010:HEX16 0x000012:HEX16 0x000100:INT32 "
                               "0x000102:INT32 0x000104:INT32");
    WatchList big;
    EXPECT_EQ(big.AddAddressRun(0, 100000, HEX16), 4096);
    EXPECT_EQ(big.RowCount(WatchListId::Addresses), 4096);
}

TEST(WatchList, RemovingRowsAndChangingTypes)
{
    SymbolTable table = Table();
    WatchList list;
    list.AddAddressRun(0x10, 5, HEX16);
    list.RemoveRows(WatchListId::Addresses, {3, 1, 3, 99, -1});
    EXPECT_EQ(Addresses(list), "0x000010:HEX16 0x000012:HEX16 0x000014:HEX16");
    list.SetViewType(WatchListId::Addresses, 2, UINT16);
    EXPECT_EQ(Addresses(list), "0x000010:HEX16 0x000012:HEX16 0x000014:UINT16");

    list.AddSymbolWatch(table, 0);
    list.SetViewType(WatchListId::Symbols, 0, INT16, &table);
    EXPECT_EQ(list.Row(WatchListId::Symbols, 0)->viewType, INT16);
    EXPECT_EQ(table.at(0).viewType, INT16);
}

TEST(WatchList, VisibleRowsIncludeThePartlyVisibleOneButNeverPassTheEnd)
{
    WatchList list;
    list.AddAddressRun(0, 10, HEX16);
    auto firstRows = [&] {
        std::vector<std::uint32_t> out;
        for (const ReadItem& item : list.VisibleItems(WatchListId::Addresses))
            out.push_back(item.address);
        return out;
    };
    using V = std::vector<std::uint32_t>;
    EXPECT_EQ(firstRows().size(), 10u); // nothing said yet: all rows
    list.SetVisibleRows(WatchListId::Addresses, 2, 3);
    EXPECT_EQ(firstRows(), (V{2, 3, 4, 5}));
    list.SetVisibleRows(WatchListId::Addresses, 8, 3);
    EXPECT_EQ(firstRows(), (V{8, 9}));
    list.SetVisibleRows(WatchListId::Addresses, 0, 10);
    EXPECT_EQ(firstRows().size(), 10u);
    list.SetVisibleRows(WatchListId::Addresses, 0, 0);
    EXPECT_EQ(firstRows(), (V{0}));
}

TEST(WatchList, AValueForARowThatChangedMeanwhileIsDropped)
{
    WatchList list;
    list.AddAddressRun(0, 3, HEX16);
    const auto items = list.VisibleItems(WatchListId::Addresses);
    EXPECT_EQ(list.StoreValue(items[2], "0x0001"), 2);
    EXPECT_EQ(list.StoreValue(items[2], "0x0001"), -1); // unchanged
    list.RemoveRows(WatchListId::Addresses, {0});
    EXPECT_EQ(list.StoreValue(items[2], "0x0002"), 1);  // moved up
    EXPECT_EQ(list.StoreValue(items[0], "0x0003"), -1); // removed
    list.SetViewType(WatchListId::Addresses, 0, INT16);
    EXPECT_EQ(list.StoreValue(items[1], "0x0004"), -1); // shows another type now
    EXPECT_EQ(list.Row(WatchListId::Addresses, 0)->valueText, "");
    EXPECT_EQ(list.IndexOf(WatchListId::Addresses, items[2].rowId), 1);
}

TEST(WatchListFilePath, BesideTheMap)
{
    EXPECT_EQ(WatchListPath("/p/app.xMAP"), "/p/app.Mon");
    EXPECT_EQ(WatchListPath("/p/app.v2.xMAP"), "/p/app.v2.Mon");
    EXPECT_EQ(WatchListPath("/p/app"), "/p/app.Mon");
    EXPECT_EQ(WatchListPath("C:\\proj.v2\\app"), "C:\\proj.v2\\app.Mon");
    EXPECT_EQ(WatchListPath("/p.d/app"), "/p.d/app.Mon");
}

class WatchFile : public ::testing::Test {
protected:
    support::TempDir dir;
    SymbolTable table = Table();
    WatchList list;
    std::string map = dir.Write("app.xMAP", "");
};

TEST_F(WatchFile, SavedAsCrLfLinesAndRestoredAsSaved)
{
    list.AddSymbolWatch(table, 1);
    list.AddSymbolWatch(table, 2);
    list.SetViewType(WatchListId::Symbols, 1, HEX16);
    list.AddAddressWatch(0x1234, FLOAT);
    list.AddAddressWatch(0x7C00, BYTE_HIGH);
    ASSERT_TRUE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.Mon"), "2,2\r\ntotal,3\r\nmessage,2\r\n0x001234,8\r\n0x007C00,1\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("app.Mon.tmp")));

    WatchList restored;
    restored.AddAddressWatch(0x9, HEX16); // replaced by the file's rows
    RestoreWatchList(map, table, restored);
    const auto symbols = restored.Rows(WatchListId::Symbols);
    ASSERT_EQ(symbols.size(), 2u);
    EXPECT_EQ(symbols[0].symbolIndex, 1);
    EXPECT_EQ(symbols[1].viewType, HEX16);
    EXPECT_EQ(table.at(2).viewType, ASCII); // only the row takes the saved type
    EXPECT_EQ(Addresses(restored), "0x001234:FLOAT 0x007C00:BYTE_HIGH");
}

TEST_F(WatchFile, NamesAreLatin1InTheFile)
{
    table.Assign({{"\xC3\xA9t\xC3\xA9", 0x80, 1, HEX16}}, 0);
    list.AddSymbolWatch(table, 0);
    ASSERT_TRUE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.Mon"), "1,0\r\n\xE9t\xE9,2\r\n");
    WatchList restored;
    RestoreWatchList(map, table, restored);
    EXPECT_EQ(restored.RowCount(WatchListId::Symbols), 1);
}

// File names arrive as UTF-8; on Windows a narrow open would read them in the ANSI code
// page and miss the folder.
TEST_F(WatchFile, AMapInAFolderNamedOutsideAsciiKeepsItsListBesideIt)
{
    const std::string folder = platform::Utf8FromPath(dir.path()) + "/Entw\xC3\xBCrfe/Motor";
    std::filesystem::create_directories(platform::PathFromUtf8(folder));
    const std::string utf8Map = folder + "/app.xMAP";
    std::ofstream(platform::PathFromUtf8(utf8Map)) << "";
    list.AddAddressWatch(0x1234, FLOAT);
    ASSERT_TRUE(SaveWatchList(utf8Map, list));
    EXPECT_TRUE(std::filesystem::exists(platform::PathFromUtf8(folder + "/app.Mon")));
    WatchList restored;
    RestoreWatchList(utf8Map, table, restored);
    EXPECT_EQ(Addresses(restored), "0x001234:FLOAT");
}

TEST_F(WatchFile, RestoreSkipsUnknownNamesStopsAtTheEndAndMendsBadTypes)
{
    dir.Write("app.Mon", "4,2\r\ncounter,12\r\ngone,3\r\ncounter,5\r\n");
    RestoreWatchList(map, table, list);
    const auto symbols = list.Rows(WatchListId::Symbols);
    ASSERT_EQ(symbols.size(), 1u); // first match; the repeated line sets its type again
    EXPECT_EQ(symbols[0].symbolIndex, 0);
    EXPECT_EQ(symbols[0].viewType, INT32);
    EXPECT_EQ(list.RowCount(WatchListId::Addresses), 0);

    dir.Write("app.Mon", "0,3\n0X10,-4\n16,9\n");
    RestoreWatchList(map, table, list);
    EXPECT_EQ(list.RowCount(WatchListId::Symbols), 0);
    EXPECT_EQ(Addresses(list), "0x000010:HEX16 0x000016:ASCII");
}

TEST_F(WatchFile, NothingIsWrittenForEmptyListsOrAMissingMap)
{
    dir.Write("app.Mon", "1,0\r\ntotal,3\r\n");
    EXPECT_TRUE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.Mon"), "1,0\r\ntotal,3\r\n");
    list.AddAddressWatch(1, HEX16);
    EXPECT_TRUE(SaveWatchList(dir.Path("none.xMAP"), list));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("none.Mon")));
    RestoreWatchList(dir.Path("none.xMAP"), table, list);
    EXPECT_EQ(list.RowCount(WatchListId::Addresses), 0);
}

TEST_F(WatchFile, AFailedWriteLeavesTheOldListWhole)
{
    dir.Write("app.Mon", "1,0\r\ntotal,3\r\n");
    list.AddAddressWatch(1, HEX16);
    // The temporary file cannot be created where a folder of its name stands.
    std::filesystem::create_directory(dir.Path("app.Mon.tmp"));
    std::filesystem::create_directory(dir.Path("app.Mon.tmp/x"));
    EXPECT_FALSE(SaveWatchList(map, list));
    EXPECT_EQ(dir.Read("app.Mon"), "1,0\r\ntotal,3\r\n");
}

} // namespace
