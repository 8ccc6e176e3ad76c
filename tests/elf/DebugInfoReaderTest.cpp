#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/elf/SampleProgram.h"
#include "elf/DebugInfoReader.h"
#include "elf/ElfImage.h"
#include "elf/TypeLayout.h"
#include "elf/tools/DebugElfWriter.h"

namespace elf {
namespace {

const Variable* FindVariable(const DebugInfo& info, const std::string& name)
{
    for (const auto& v : info.variables)
        if (v.name == name) return &v;
    return nullptr;
}

std::vector<std::uint8_t> Written(int version, std::uint32_t strayZeros = 0)
{
    WriterOptions options;
    options.dwarfVersion = version;
    options.strayZeroBytes = strayZeros;
    return WriteDebugElf(test::SampleProgram(), options);
}

class BothVersions : public ::testing::TestWithParam<int> {};

// Types, addresses and layouts come back as written, in both DWARF versions: catches a
// wrong form, a misread reference or a member offset taken from the wrong operand.
TEST_P(BothVersions, ReadsBackEveryVariableWithItsCType)
{
    const DebugInfo info = ReadDebugInfo(Written(GetParam(), 6));
    EXPECT_EQ(info.problem, "");
    EXPECT_EQ(info.dwarfVersion, GetParam());
    EXPECT_EQ(info.producer, "Metrowerks C/C++ M56800E");
    const struct {
        const char* name;
        std::uint32_t address;
        const char* text;
        std::optional<std::uint32_t> size;
    } expected[] = {
        {"pConv", 0x100, "struct tagPARAMCONVERSION", 8},
        {"name", 0x120, "unsigned char[61]", 61},
        {"f16Calibration", 0x200, "short[1024]", 2048},
        {"mode", 0x1000, "enum MODE", 2},
        {"f16Gain", 0x1002, "Frac16", 2},
        {"pLink", 0x1004, "struct tagPARAMCONVERSION *", 2},
        {"oddChar", 0x131, "unsigned char", 1},
        {"loopy", 0x1006, "LOOP", std::nullopt},
        {"stripped", 0x1008, "?", std::nullopt},
        {"status", 0x100A, "volatile unsigned short", 2},
        {"onFault", 0x100C, "unsigned int (*)()", 4},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const Variable* v = FindVariable(info, e.name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->byteAddress, e.address);
        EXPECT_EQ(TypeText(info, v->type), e.text);
        EXPECT_EQ(ByteSize(info, v->type), e.size);
    }
    const Type* conv = TypeAt(info, FindVariable(info, "pConv")->type);
    ASSERT_EQ(conv->members.size(), 5u);
    EXPECT_EQ(conv->members[1].byteOffset, 4u);
    EXPECT_EQ(TypeText(info, conv->members[0].type), "float");
    const Member& rw = conv->members[2];
    EXPECT_EQ(rw.byteOffset, 6u);
    EXPECT_EQ(rw.bitLsb, 15u);
    EXPECT_EQ(rw.bitSize, 1u);
    EXPECT_EQ(conv->members[3].bitLsb, 11u);
    const Type* mode = TypeAt(info, FindVariable(info, "mode")->type);
    ASSERT_EQ(mode->enumerators.size(), 2u);
    EXPECT_EQ(mode->enumerators[1].name, "MODE_RUN");
    EXPECT_EQ(mode->enumerators[1].value, 3);
    EXPECT_EQ(TypeAt(info, FindVariable(info, "pLink")->type)->addressClass, GetParam() == 2 ? 4 : 0);
    EXPECT_EQ(StripTypedefs(info, FindVariable(info, "loopy")->type), -1);
}

// An array's element count is kept whole however large: a count cut to 24 bits would put
// big[16777216] onto big[0].
TEST_P(BothVersions, ElementCountsAreNotCut)
{
    DebugInfo program;
    Type c8;
    c8.kind = TypeKind::Base, c8.name = "char", c8.byteSize = 1;
    Type huge;
    huge.kind = TypeKind::Array, huge.count = 20'000'000, huge.target = 0;
    program.types = {c8, huge};
    program.variables = {{"huge", 0x100, 1}};
    WriterOptions options;
    options.dwarfVersion = GetParam();
    const DebugInfo info = ReadDebugInfo(WriteDebugElf(program, options));
    ASSERT_NE(FindVariable(info, "huge"), nullptr);
    EXPECT_EQ(TypeText(info, FindVariable(info, "huge")->type), "char[20000000]");
    EXPECT_EQ(ByteSize(info, FindVariable(info, "huge")->type), 20'000'000u);
}

INSTANTIATE_TEST_SUITE_P(Dwarf, BothVersions, ::testing::Values(1, 2));

// The older toolchain: statics of functions are read like globals; objects the linker
// stripped sit at address 0 and are not objects at all.
TEST(Dwarf1, FunctionStaticsReadAndStrippedObjectsDropped)
{
    DebugInfo program = test::SampleProgram();
    program.variables.push_back({"counter", 0x300, 0});
    program.variables.push_back({"unused", 0, 0});
    WriterOptions options;
    options.dwarfVersion = 1;
    options.functionStatics = {"counter"};
    const DebugInfo info = ReadDebugInfo(WriteDebugElf(program, options));
    ASSERT_NE(FindVariable(info, "counter"), nullptr);
    EXPECT_EQ(FindVariable(info, "counter")->byteAddress, 0x300u);
    EXPECT_EQ(FindVariable(info, "unused"), nullptr);
}

void SetSectionSize(std::vector<std::uint8_t>& bytes, const char* name, std::uint32_t size)
{
    std::string why;
    const auto image = ElfImage::Parse(bytes, why);
    const auto at = image->Find(name)->headerOffset + 20;
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
}

std::uint32_t SectionSize(const std::vector<std::uint8_t>& bytes, const char* name)
{
    std::string why;
    return ElfImage::Parse(bytes, why)->Find(name)->size;
}

// Damaged files keep what could be read and say in one line what could not.
TEST(DamagedFile, SaysInOneLineWhatWasNotRead)
{
    const struct {
        const char* what;
        int version;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* reason;
        Limits limits;
    } cases[] = {
        {"not ELF", 2, [](auto& b) { b[1] = 'X'; }, "not an ELF file", {}},
        {"file cut in half", 2, [](auto& b) { b.resize(b.size() / 2); }, "section table", {}},
        {"no debug information", 2,
         [](auto& b) {
             for (std::size_t i = 0; i + 11 < b.size(); ++i)
                 if (std::string(b.begin() + static_cast<long>(i), b.begin() + static_cast<long>(i) + 11) == ".debug_info") b[i + 1] = 'x';
         },
         "no debug information", {}},
        {"unit cut short", 2, [](auto& b) { SetSectionSize(b, ".debug_info", SectionSize(b, ".debug_info") - 9); }, "cut short", {}},
        {"section past the end", 2, [](auto& b) { SetSectionSize(b, ".debug_info", 0x7FFFFFF0); }, "cut short", {}},
        {"DWARF 1 cut short", 1, [](auto& b) { SetSectionSize(b, ".debug", SectionSize(b, ".debug") * 2); }, "cut short", {}},
        {"too many rows", 2, [](auto&) {}, "more than 5 entries", {64u << 20, 48, 5}},
        {"too many rows, DWARF 1", 1, [](auto&) {}, "more than 5 entries", {64u << 20, 48, 5}},
        {"too large", 2, [](auto&) {}, "larger than 0 MB", {100, 48, 100}},
        {"nested too deep", 2, [](auto&) {}, "nest deeper than 1", {64u << 20, 1, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = Written(c.version);
        c.damage(bytes);
        const DebugInfo info = ReadDebugInfo(bytes, c.limits);
        EXPECT_NE(info.problem.find(c.reason), std::string::npos) << info.problem;
        EXPECT_EQ(info.problem.find('\n'), std::string::npos);
    }
}

// Zero bytes between units are padding only where no unit can start: a unit whose length
// is a multiple of 256 starts with a zero byte, and taking it for padding lost it and
// every unit after it.
TEST(UnitLayout, EveryUnitIsReadWhateverItsLengthAndThePaddingBeforeIt)
{
    const struct {
        std::uint32_t strayZeros;
        std::uint32_t lengthMultiple;
    } layouts[] = {{0, 0}, {16, 0}, {0, 256}, {16, 256}, {3, 512}};
    const DebugInfo expected = ReadDebugInfo(Written(2));
    ASSERT_EQ(expected.problem, "");
    for (const auto& layout : layouts) {
        SCOPED_TRACE(::testing::Message() << layout.strayZeros << " stray zeros, units of "
                                          << layout.lengthMultiple << "s");
        WriterOptions options;
        options.strayZeroBytes = layout.strayZeros;
        options.unitLengthMultiple = layout.lengthMultiple;
        const DebugInfo info = ReadDebugInfo(WriteDebugElf(test::SampleProgram(), options));
        EXPECT_EQ(info.problem, "");
        ASSERT_EQ(info.variables.size(), expected.variables.size());
        for (const Variable& variable : expected.variables) {
            const Variable* read = FindVariable(info, variable.name);
            ASSERT_NE(read, nullptr) << variable.name;
            EXPECT_EQ(TypeText(info, read->type), TypeText(expected, variable.type)) << variable.name;
        }
    }
}

// A unit cut short still leaves the units before it readable.
TEST(DamagedFile, UnitsBeforeTheDamageAreKept)
{
    auto bytes = Written(2);
    SetSectionSize(bytes, ".debug_info", SectionSize(bytes, ".debug_info") - 30);
    const DebugInfo info = ReadDebugInfo(bytes);
    ASSERT_NE(FindVariable(info, "pConv"), nullptr);
    EXPECT_EQ(TypeText(info, FindVariable(info, "pConv")->type), "struct tagPARAMCONVERSION");
}

TEST(DamagedFile, MissingFileIsSaidInTheSystemsWords)
{
    EXPECT_EQ(ReadDebugInfoFile("/nonexistent/x.elf").problem, "No such file or directory");
}

} // namespace
} // namespace elf

namespace elf {
namespace {

// What a compiler writes (clang for a target with this one's type sizes): other forms,
// abbreviations and strings in .debug_str, not just our writer's.
TEST(CompilerWritten, TypesSizesAndBitFieldsOfAPackagedCompiler)
{
    const DebugInfo info = ReadDebugInfoFile(QUOBIN_ELF_TEST_DATA "/avr-types.elf");
    EXPECT_EQ(info.problem, "");
    const struct {
        const char* name;
        const char* text;
        std::uint32_t size;
    } expected[] = {
        {"pConv", "struct tagPARAMCONVERSION", 8}, {"name", "unsigned char[61]", 61},
        {"table", "short[1024]", 2048},            {"mode", "enum MODE", 2},
        {"ratio", "double", 4},                    {"total", "long", 4},
        {"c2", "char", 1},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const Variable* v = FindVariable(info, e.name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(TypeText(info, v->type), e.text);
        EXPECT_EQ(ByteSize(info, v->type), e.size);
    }
    EXPECT_EQ(FindVariable(info, "c2")->byteAddress, FindVariable(info, "c1")->byteAddress + 1);
    const Type* conv = TypeAt(info, FindVariable(info, "pConv")->type);
    ASSERT_EQ(conv->members.size(), 3u);
    EXPECT_EQ(TypeText(info, conv->members[1].type), "Frac16");
    const Type* reg = TypeAt(info, conv->members[2].type);
    ASSERT_EQ(reg->members.size(), 3u);
    // The first field takes the lowest bits on this little-endian target.
    EXPECT_EQ(reg->members[0].bitLsb, 0u);
    EXPECT_EQ(reg->members[1].bitLsb, 1u);
    EXPECT_EQ(reg->members[2].bitLsb, 5u);
    EXPECT_EQ(reg->members[2].bitSize, 11u);
}

// The demo's ELF as Windows and Linux read it: the walkthrough plots sineWave as a
// float, which a build without the DWARF 2 reader showed as a hex word.
TEST(CompilerWritten, DemoElfTypesSineWaveAsAFloat)
{
    const DebugInfo info = ReadDebugInfoFile(QUOBIN_EXAMPLES_DIR "/demo.elf");
    EXPECT_EQ(info.problem, "");
    EXPECT_EQ(info.dwarfVersion, 2);
    const Variable* wave = FindVariable(info, "sineWave");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(TypeText(info, wave->type), "float");
    EXPECT_EQ(ByteSize(info, wave->type), 4u);
}

} // namespace
} // namespace elf
