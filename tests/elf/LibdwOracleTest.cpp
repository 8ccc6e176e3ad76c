#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elf/DebugInfoReader.h"
#include "elf/oracle/CanonicalDump.h"
#include "elf/oracle/LibdwReader.h"
#include "elf/tools/DebugElfWriter.h"
#include "tests/elf/SampleProgram.h"
#include "tests/elf/TestFiles.h"

namespace elf {
namespace {

struct OracleCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<OracleCase> CompilerAndDemoFiles()
{
    std::vector<OracleCase> cases;
    for (const char* name : {"clang-dwarf2", "clang-dwarf3", "clang-dwarf4", "clang-dwarf5", "clang-dwarf4-lldb",
                             "clang-dwarf5-lldb", "avr-types"})
        cases.push_back({name, test::FileBytes(std::string(QUOBIN_ELF_TEST_DATA "/") + name + ".elf")});
    cases.push_back({"demo", test::FileBytes(QUOBIN_EXAMPLES_DIR "/demo.elf")});
    return cases;
}

// The writer's layouts: stray zero bytes between units (which libdw is shown mended, as
// our reader steps over them by itself), units whose length is a multiple of 256, names
// in .debug_str, DWARF 3 and 4 forms, bit fields by data bit offset. Not 2-byte
// addresses: libdw reads addresses and DWARF 2's address-wide section references as 4 or
// 8 bytes whatever the unit says (CraftedElf has that case).
std::vector<OracleCase> WrittenFiles()
{
    struct Layout {
        const char* name;
        int version;
        std::uint32_t strayZeros;
        std::uint32_t lengthMultiple;
        bool strp;
        bool dataBitOffset;
    };
    const Layout layouts[] = {
        {"v2", 2, 0, 0, false, false},
        {"v2 stray zeros", 2, 16, 0, false, false},
        {"v2 units of 256", 2, 0, 256, false, false},
        {"v2 stray zeros and units of 512", 2, 3, 512, false, false},
        {"v2 strp", 2, 0, 0, true, false},
        {"v3", 3, 5, 0, true, false},
        {"v4", 4, 0, 256, false, false},
        {"v4 data bit offset", 4, 0, 0, true, true},
    };

    std::vector<OracleCase> cases;
    for (const Layout& layout : layouts) {
        WriterOptions options;
        options.dwarfVersion = layout.version;
        options.strayZeroBytes = layout.strayZeros;
        options.unitLengthMultiple = layout.lengthMultiple;
        options.namesInStringTable = layout.strp;
        options.dataBitOffset = layout.dataBitOffset;
        cases.push_back({layout.name, WriteDebugElf(test::SampleProgram(), options)});
    }
    return cases;
}

class LibdwOracle : public ::testing::TestWithParam<OracleCase> {};

// Our reader and libdw's read the same variables, types, members, bit fields and
// enumerators: catches a form read with the wrong width, a reference resolved in the
// wrong unit, a DWARF 5 string or address index taken from the wrong base, a dropped
// unit, a member offset or a bit field placed differently.
TEST_P(LibdwOracle, BothReadersGiveTheSameTypes)
{
    const OracleCase& c = GetParam();
    ASSERT_FALSE(c.bytes.empty()) << c.name;
    const DebugInfo ours = ReadDebugInfo(c.bytes);
    const DebugInfo theirs = oracle::ReadWithLibdw(c.bytes);
    EXPECT_EQ(ours.problem, "");
    EXPECT_EQ(theirs.problem, "");
    EXPECT_FALSE(ours.variables.empty());
    EXPECT_EQ(oracle::CanonicalDump(ours), oracle::CanonicalDump(theirs));
}

INSTANTIATE_TEST_SUITE_P(CompilerWritten, LibdwOracle, ::testing::ValuesIn(CompilerAndDemoFiles()));
INSTANTIATE_TEST_SUITE_P(Written, LibdwOracle, ::testing::ValuesIn(WrittenFiles()));

} // namespace
} // namespace elf
