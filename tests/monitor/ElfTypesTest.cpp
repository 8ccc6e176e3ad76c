// Which ELF types a map, and what is said when it does not belong to it.
#include "monitor/ElfTypes.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace monitor {
namespace {

std::string ExampleFile(const char* name)
{
    std::ifstream in(std::string(QUOBIN_EXAMPLES_DIR "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

// A linked-again map (symbols moved) or an ELF older than its map says the two do not
// match; one ELF of the same build, or one symbol moved, does not.
TEST(ElfTypes, AnElfOfAnotherBuildIsSaidNotToMatch)
{
    const std::string map = ExampleFile("demo.elf.xMAP");
    const std::string oneMoved = Replaced(map, "00000140 00000004 .bss    Fmotor", "00000160 00000004 .bss    Fmotor");
    const std::string twoMoved = Replaced(oneMoved, "0000014C 00000001 .data   Fmode", "0000016C 00000001 .data   Fmode");
    using std::chrono::seconds;
    const struct {
        const char* name;
        std::string map;
        seconds elfAge; // how much older the ELF is than the map
        bool mismatch;
    } cases[] = {
        {"same build", map, seconds(0), false},
        {"ELF written just before its map", map, seconds(3), false},
        {"ELF of an earlier build", map, seconds(60), true},
        {"one symbol moved", oneMoved, seconds(0), false},
        {"two symbols moved", twoMoved, seconds(0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        support::TempDir dir;
        const std::string elfPath = dir.Write("app.elf", ExampleFile("demo.elf"));
        const std::string mapPath = dir.Write("app.elf.xMAP", c.map);
        const auto now = std::filesystem::file_time_type::clock::now();
        std::filesystem::last_write_time(mapPath, now);
        std::filesystem::last_write_time(elfPath, now - c.elfAge);

        SymbolTable table;
        std::vector<SymbolEntry> entries;
        for (const auto& [name, address] : {std::pair{"motor", c.map == map ? 0x140u : 0x160u},
                                            std::pair{"mode", c.map == twoMoved ? 0x16Cu : 0x14Cu}})
            entries.emplace_back(name, address, 1, HEX16);
        table.Assign(std::move(entries), 0);
        TypedSymbols typed;
        const ElfTypesLoad load = LoadElfTypes(mapPath, {}, table, typed);
        EXPECT_TRUE(load.typed);
        EXPECT_EQ(load.path, elfPath);
        const std::string mismatch = elfPath + ": " + kElfMismatch;
        EXPECT_EQ(std::find(load.warnings.begin(), load.warnings.end(), mismatch) != load.warnings.end(),
                  c.mismatch);
    }
}

} // namespace
} // namespace monitor
