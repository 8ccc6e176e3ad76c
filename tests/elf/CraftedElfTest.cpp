#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "elf/DebugInfoReader.h"
#include "elf/ElfImage.h"
#include "elf/TypeLayout.h"
#include "elf/tools/DebugElfWriter.h"
#include "tests/elf/SampleProgram.h"

namespace elf {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Variable* Find(const DebugInfo& info, const std::string& name)
{
    for (const auto& v : info.variables)
        if (v.name == name) return &v;
    return nullptr;
}

std::string TextOf(const DebugInfo& info, const std::string& name)
{
    const Variable* v = Find(info, name);
    return v ? TypeText(info, v->type) : "(missing)";
}

int AddType(DebugInfo& p, Type t)
{
    p.types.push_back(std::move(t));
    return static_cast<int>(p.types.size() - 1);
}

// A program of one struct whose 300 members all have one name.
DebugInfo ManyMembersOfOneName()
{
    DebugInfo p;
    Type u8;
    u8.kind = TypeKind::Base, u8.name = "unsigned char", u8.byteSize = 1, u8.encoding = BaseEncoding::Unsigned;
    const int byte = AddType(p, u8);
    Type wide;
    wide.kind = TypeKind::Struct, wide.name = "wide", wide.byteSize = 300;
    for (std::uint32_t i = 0; i < 300; ++i) wide.members.push_back({"same", byte, i});
    p.variables.push_back({"w", 0x400, AddType(p, wide)});
    return p;
}

// struct node { struct node *next; struct node again; } — the second member is damage
// (a struct cannot hold itself), which a reader must survive.
DebugInfo SelfReferencingStruct()
{
    DebugInfo p;
    Type node;
    node.kind = TypeKind::Struct, node.name = "node", node.byteSize = 4;
    const int nodeType = AddType(p, node);
    Type pointer;
    pointer.kind = TypeKind::Pointer, pointer.byteSize = 2, pointer.target = nodeType;
    const int pointerType = AddType(p, pointer);
    p.types[static_cast<std::size_t>(nodeType)].members = {{"next", pointerType, 0}, {"again", nodeType, 2}};
    p.variables.push_back({"list", 0x500, nodeType});
    return p;
}

DebugInfo OddNames()
{
    DebugInfo p = test::SampleProgram();
    p.variables.push_back({"caf\xE9\nbar", 0x600, 0});
    return p;
}

DebugInfo OneByteEnum()
{
    DebugInfo p;
    Type state;
    state.kind = TypeKind::Enum, state.name = "STATE", state.byteSize = 1;
    state.enumerators = {{"IDLE", 0}, {"BUSY", 2}, {"DONE", 200}};
    p.variables.push_back({"state", 0x700, AddType(p, state)});
    return p;
}

// A 64-bit DWARF unit put before the units the writer makes: its header only.
Bytes Dwarf64Unit()
{
    return {0xFF, 0xFF, 0xFF, 0xFF, 11, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
}

// A unit in the writer's abbreviations (1: unit, 4: struct, 15: variable) where each of
// `depth` structs holds the next and a variable of each comes first: reading the types
// walks the inner structs again for each outer one, depth squared over two entries.
Bytes NestedStructsUnit(std::uint32_t depth)
{
    Bytes unit = {0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 4, 1, 'n', 0, 'p', 0, 1};
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) unit.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    constexpr std::uint32_t kVariableBytes = 1 + 2 + 4 + 1 + 6;
    constexpr std::uint32_t kStructBytes = 1 + 1 + 4;
    const auto firstStruct = static_cast<std::uint32_t>(unit.size()) + depth * kVariableBytes;
    for (std::uint32_t i = 0; i < depth; ++i) {
        unit.push_back(15), unit.push_back('v'), unit.push_back(0);
        u32(firstStruct + i * kStructBytes);
        unit.push_back(1), unit.push_back(5), unit.push_back(0x03);
        u32(0x100 + i);
    }
    for (std::uint32_t i = 0; i < depth; ++i) unit.push_back(4), unit.push_back(0), u32(4);
    unit.insert(unit.end(), depth + 1, 0);
    const auto length = static_cast<std::uint32_t>(unit.size() - 4);
    for (int i = 0; i < 4; ++i) unit[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    return unit;
}

// The first unit's length made longer than what is left of the section.
void StretchLastUnit(Bytes& bytes)
{
    std::string why;
    const auto image = ElfImage::Parse(bytes, why);
    const auto* info = image->Find(".debug_info");
    // The writer's last unit is the one of stripped variables; find it by walking.
    std::uint32_t at = 0;
    for (;;) {
        const std::uint32_t length = ReadLe(bytes, info->offset + at, 4);
        if (at + 4 + length >= info->size) break;
        at += 4 + length;
    }
    const std::uint32_t longer = info->size - at + 40;
    for (int i = 0; i < 4; ++i) bytes[info->offset + at + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(longer >> (8 * i));
}

struct CraftedCase {
    const char* fault;
    std::function<DebugInfo()> program;
    std::function<void(WriterOptions&)> options;
    std::function<void(Bytes&)> damage;
    std::string problem;
    std::function<void(const DebugInfo&)> check;
};

void Nothing(Bytes&) {}
void Defaults(WriterOptions&) {}

const CraftedCase kCases[] = {
    {"a unit of length 0x100 starts with a zero byte and is not padding", test::SampleProgram,
     [](WriterOptions& o) { o.unitLengthMultiple = 256; }, Nothing, "",
     [](const DebugInfo& info) { EXPECT_EQ(TextOf(info, "pConv"), "struct tagPARAMCONVERSION"); }},
    {"stray zero bytes after a unit are padding", test::SampleProgram, [](WriterOptions& o) { o.strayZeroBytes = 7; },
     Nothing, "", [](const DebugInfo& info) { EXPECT_EQ(info.variables.size(), test::SampleProgram().variables.size()); }},
    {"the last unit longer than the section is cut to it", test::SampleProgram, Defaults, StretchLastUnit,
     "the last unit of .debug_info is cut short",
     [](const DebugInfo& info) {
         EXPECT_EQ(TextOf(info, "pConv"), "struct tagPARAMCONVERSION");
         EXPECT_EQ(TextOf(info, "stripped"), "?");
     }},
    {"a type reference of 0 is no type, not the unit header", test::SampleProgram, Defaults, Nothing, "",
     [](const DebugInfo& info) { EXPECT_EQ(Find(info, "stripped")->type, -1); }},
    {"Latin-1 and control characters in a name", OddNames, Defaults, Nothing, "",
     [](const DebugInfo& info) { EXPECT_NE(Find(info, "caf\xC3\xA9?bar"), nullptr); }},
    {"one string named by 300 members is kept once", ManyMembersOfOneName,
     [](WriterOptions& o) { o.namesInStringTable = true; }, Nothing, "",
     [](const DebugInfo& info) {
         const Type* wide = TypeAt(info, Find(info, "w")->type);
         ASSERT_EQ(wide->members.size(), 300u);
         for (const Member& m : wide->members) EXPECT_EQ(m.name.str().data(), wide->members[0].name.str().data());
     }},
    {"a struct holding itself ends in a reference to itself", SelfReferencingStruct, Defaults, Nothing, "",
     [](const DebugInfo& info) {
         const int node = Find(info, "list")->type;
         const Type* t = TypeAt(info, node);
         ASSERT_EQ(t->members.size(), 2u);
         EXPECT_EQ(t->members[1].type, node);
         EXPECT_EQ(TypeText(info, t->members[0].type), "struct node *");
         EXPECT_LT(info.types.size(), 10u);
     }},
    {"a 64-bit DWARF unit is refused and the others read", test::SampleProgram,
     [](WriterOptions& o) { o.leadingInfoBytes = Dwarf64Unit(); }, Nothing,
     "the unit at 0x0 of .debug_info is 64-bit DWARF, which is not read",
     [](const DebugInfo& info) { EXPECT_EQ(TextOf(info, "f16Gain"), "Frac16"); }},
    {"DWARF 4 bit fields by data bit offset", test::SampleProgram,
     [](WriterOptions& o) { o.dwarfVersion = 4, o.dataBitOffset = true; }, Nothing, "",
     [](const DebugInfo& info) {
         const Type* conv = TypeAt(info, Find(info, "pConv")->type);
         ASSERT_EQ(conv->members.size(), 5u);
         for (std::size_t i = 2; i < 5; ++i) {
             EXPECT_EQ(conv->members[i].byteOffset, 6u);
             EXPECT_EQ(conv->members[i].unitBytes, 2u);
         }
         EXPECT_EQ(conv->members[2].bitLsb, 15u);
         EXPECT_EQ(conv->members[3].bitLsb, 11u);
         EXPECT_EQ(conv->members[3].bitSize, 4u);
         EXPECT_EQ(conv->members[4].bitLsb, 0u);
     }},
    {"a function pointer of two words", test::SampleProgram, [](WriterOptions& o) { o.dwarfVersion = 4; }, Nothing, "",
     [](const DebugInfo& info) {
         EXPECT_EQ(TextOf(info, "onFault"), "unsigned int (*)()");
         EXPECT_EQ(ByteSize(info, Find(info, "onFault")->type), 4u);
     }},
    {"DWARF 2 section references as wide as 2-byte addresses", test::SampleProgram,
     [](WriterOptions& o) { o.addressSize = 2; }, Nothing, "",
     [](const DebugInfo& info) {
         EXPECT_EQ(TextOf(info, "pLink"), "struct tagPARAMCONVERSION *");
         EXPECT_EQ(Find(info, "pLink")->byteAddress, 0x1004u);
     }},
    {"a .debug_str promising more than the file holds is read as far as it goes", test::SampleProgram,
     [](WriterOptions& o) { o.namesInStringTable = true; },
     [](Bytes& b) {
         std::string why;
         const std::uint32_t at = ElfImage::Parse(b, why)->Find(".debug_str")->headerOffset + 20;
         for (std::uint32_t i = 0; i < 4; ++i) b[at + i] = 0x7F;
     },
     "section .debug_str is cut short",
     [](const DebugInfo& info) { EXPECT_EQ(TextOf(info, "f16Gain"), "Frac16"); }},
    {"types nested so that their entries are walked over and over end in a note", test::SampleProgram,
     [](WriterOptions& o) { o.leadingInfoBytes = NestedStructsUnit(1500); }, Nothing,
     "the entries of .debug_info nest too deeply to be read whole",
     [](const DebugInfo& info) { EXPECT_GT(info.variables.size(), 100u); }},
    {"DWARF 1: a one-byte enum whose values are one byte", OneByteEnum,
     [](WriterOptions& o) { o.dwarfVersion = 1, o.enumValuesAsWideAsEnum = true; }, Nothing, "",
     [](const DebugInfo& info) {
         const Type* state = TypeAt(info, Find(info, "state")->type);
         ASSERT_EQ(state->enumerators.size(), 3u);
         EXPECT_EQ(state->enumerators[1].name, "BUSY");
         EXPECT_EQ(state->enumerators[1].value, 2);
         EXPECT_EQ(state->enumerators[2].value, 200);
     }},
    {"DWARF 1: an element list with a 2-byte length", OneByteEnum,
     [](WriterOptions& o) { o.dwarfVersion = 1, o.shortElementList = true; }, Nothing, "",
     [](const DebugInfo& info) {
         const Type* state = TypeAt(info, Find(info, "state")->type);
         ASSERT_EQ(state->enumerators.size(), 3u);
         EXPECT_EQ(state->enumerators[0].name, "IDLE");
     }},
    {"DWARF 1: a one-byte enum whose values are as wide as a long", OneByteEnum,
     [](WriterOptions& o) { o.dwarfVersion = 1; }, Nothing, "",
     [](const DebugInfo& info) {
         const Type* state = TypeAt(info, Find(info, "state")->type);
         ASSERT_EQ(state->enumerators.size(), 3u);
         EXPECT_EQ(state->enumerators[2].name, "DONE");
     }},
    {"DWARF 1: a function pointer", test::SampleProgram, [](WriterOptions& o) { o.dwarfVersion = 1; }, Nothing, "",
     [](const DebugInfo& info) {
         EXPECT_EQ(TextOf(info, "onFault"), "unsigned int (*)()");
         EXPECT_EQ(ByteSize(info, Find(info, "onFault")->type), 4u);
     }},
};

class CraftedElf : public ::testing::TestWithParam<CraftedCase> {};

TEST_P(CraftedElf, ReadAsTheToolchainMeantIt)
{
    const CraftedCase& c = GetParam();
    SCOPED_TRACE(c.fault);
    WriterOptions options;
    c.options(options);
    Bytes bytes = WriteDebugElf(c.program(), options);
    c.damage(bytes);
    const DebugInfo info = ReadDebugInfo(bytes);
    EXPECT_EQ(info.problem, c.problem);
    c.check(info);
}

INSTANTIATE_TEST_SUITE_P(Faults, CraftedElf, ::testing::ValuesIn(kCases));

} // namespace
} // namespace elf
