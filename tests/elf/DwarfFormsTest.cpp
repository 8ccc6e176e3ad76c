#include <gtest/gtest.h>

#include <dwarf.h>

#include <vector>

#include "elf/DwarfForms.h"

namespace elf {
namespace {

struct FormCase {
    const char* what;
    unsigned form;
    int version;
    std::vector<std::uint8_t> bytes;
    bool ok;
    FormClass kind;
    std::uint64_t value;
    std::size_t consumed; // bytes the value takes
};

// Each form is read with its own width and class: a wrong width shifts every attribute
// after it, a wrong class makes a name of a number or a type of a constant.
const FormCase kForms[] = {
    {"addr is the unit's address size", DW_FORM_addr, 4, {0x34, 0x12, 0, 0, 0xFF}, true, FormClass::Address, 0x1234, 4},
    {"data1", DW_FORM_data1, 2, {0xFE}, true, FormClass::Unsigned, 0xFE, 1},
    {"data2", DW_FORM_data2, 2, {0x01, 0x02}, true, FormClass::Unsigned, 0x0201, 2},
    {"data4", DW_FORM_data4, 2, {1, 2, 3, 4}, true, FormClass::Unsigned, 0x04030201, 4},
    {"data8", DW_FORM_data8, 2, {1, 0, 0, 0, 0, 0, 0, 0x80}, true, FormClass::Unsigned, 0x8000000000000001u, 8},
    {"data16 is a block of 16", DW_FORM_data16, 5, std::vector<std::uint8_t>(16, 7), true, FormClass::Block, 0, 16},
    {"udata of two bytes", DW_FORM_udata, 3, {0xE5, 0x8E, 0x26}, true, FormClass::Unsigned, 624485, 3},
    {"sdata negative", DW_FORM_sdata, 3, {0x7F}, true, FormClass::Signed, static_cast<std::uint64_t>(-1), 1},
    {"sdata of two bytes", DW_FORM_sdata, 3, {0x80, 0x7F}, true, FormClass::Signed, static_cast<std::uint64_t>(-128), 2},
    {"string up to its zero", DW_FORM_string, 2, {'a', 'b', 0, 'c'}, true, FormClass::InlineString, 0, 3},
    {"strp", DW_FORM_strp, 2, {0x10, 0, 0, 0}, true, FormClass::StrOffset, 0x10, 4},
    {"line_strp", DW_FORM_line_strp, 5, {0x20, 0, 0, 0}, true, FormClass::LineStrOffset, 0x20, 4},
    {"strx", DW_FORM_strx, 5, {0x81, 0x01}, true, FormClass::StrIndex, 129, 2},
    {"strx1", DW_FORM_strx1, 5, {5}, true, FormClass::StrIndex, 5, 1},
    {"strx2", DW_FORM_strx2, 5, {5, 1}, true, FormClass::StrIndex, 0x105, 2},
    {"strx3", DW_FORM_strx3, 5, {5, 1, 2}, true, FormClass::StrIndex, 0x020105, 3},
    {"strx4", DW_FORM_strx4, 5, {5, 1, 2, 3}, true, FormClass::StrIndex, 0x03020105, 4},
    {"addrx", DW_FORM_addrx, 5, {3}, true, FormClass::AddressIndex, 3, 1},
    {"addrx1", DW_FORM_addrx1, 5, {3}, true, FormClass::AddressIndex, 3, 1},
    {"addrx2", DW_FORM_addrx2, 5, {3, 1}, true, FormClass::AddressIndex, 0x103, 2},
    {"addrx3", DW_FORM_addrx3, 5, {3, 1, 1}, true, FormClass::AddressIndex, 0x010103, 3},
    {"addrx4", DW_FORM_addrx4, 5, {3, 0, 0, 1}, true, FormClass::AddressIndex, 0x01000003, 4},
    {"ref1 is unit-relative", DW_FORM_ref1, 2, {0x10}, true, FormClass::Reference, 0x1010, 1},
    {"ref2", DW_FORM_ref2, 2, {0x10, 0}, true, FormClass::Reference, 0x1010, 2},
    {"ref4", DW_FORM_ref4, 2, {0x10, 0, 0, 0}, true, FormClass::Reference, 0x1010, 4},
    {"ref8", DW_FORM_ref8, 2, {0x10, 0, 0, 0, 0, 0, 0, 0}, true, FormClass::Reference, 0x1010, 8},
    {"ref_udata", DW_FORM_ref_udata, 2, {0x90, 0x01}, true, FormClass::Reference, 0x1090, 2},
    {"ref_addr in DWARF 3 is offset-wide", DW_FORM_ref_addr, 3, {0x10, 0, 0, 0}, true, FormClass::Reference, 0x10, 4},
    {"ref_sig8", DW_FORM_ref_sig8, 4, {1, 2, 3, 4, 5, 6, 7, 8}, true, FormClass::Signature, 0x0807060504030201u, 8},
    {"block1", DW_FORM_block1, 2, {2, 0x23, 4}, true, FormClass::Block, 0, 3},
    {"block2", DW_FORM_block2, 2, {1, 0, 0x23}, true, FormClass::Block, 0, 3},
    {"block4", DW_FORM_block4, 2, {1, 0, 0, 0, 0x23}, true, FormClass::Block, 0, 5},
    {"block", DW_FORM_block, 2, {1, 0x23}, true, FormClass::Block, 0, 2},
    {"exprloc", DW_FORM_exprloc, 4, {2, 0x23, 4}, true, FormClass::Block, 0, 3},
    {"flag", DW_FORM_flag, 2, {1}, true, FormClass::Flag, 1, 1},
    {"flag_present takes no byte", DW_FORM_flag_present, 4, {}, true, FormClass::Flag, 1, 0},
    {"sec_offset", DW_FORM_sec_offset, 4, {8, 0, 0, 0}, true, FormClass::SectionOffset, 8, 4},
    {"implicit_const takes no byte", DW_FORM_implicit_const, 5, {}, true, FormClass::Signed, static_cast<std::uint64_t>(-5), 0},
    {"indirect names the form", DW_FORM_indirect, 2, {DW_FORM_data2, 0x34, 0x12}, true, FormClass::Unsigned, 0x1234, 3},
    {"indirect to implicit_const has no value", DW_FORM_indirect, 5, {DW_FORM_implicit_const}, false, FormClass::None, 0, 0},
    {"endless chain of indirect", DW_FORM_indirect, 2, {DW_FORM_indirect, DW_FORM_indirect, DW_FORM_indirect, DW_FORM_indirect, DW_FORM_indirect, DW_FORM_indirect, DW_FORM_data1, 1}, false, FormClass::None, 0, 0},
    {"data4 cut short", DW_FORM_data4, 2, {1, 2, 3}, false, FormClass::None, 0, 0},
    {"udata cut short", DW_FORM_udata, 2, {0x80, 0x80}, false, FormClass::None, 0, 0},
    {"string without its zero", DW_FORM_string, 2, {'a', 'b'}, false, FormClass::None, 0, 0},
    {"block longer than the section", DW_FORM_block1, 2, {9, 1}, false, FormClass::None, 0, 0},
    {"block4 of 4 GB", DW_FORM_block4, 2, {0xFF, 0xFF, 0xFF, 0xFF, 1}, false, FormClass::None, 0, 0},
    {"unknown form", 0x7F, 5, {1, 2, 3}, false, FormClass::None, 0, 0},
};

class Forms : public ::testing::TestWithParam<FormCase> {};

TEST_P(Forms, ReadWithTheirWidthAndClass)
{
    const FormCase& c = GetParam();
    SCOPED_TRACE(c.what);
    const FormContext context{c.version, 4, 0x1000, 0x2000};
    Cursor in(c.bytes);
    FormValue value;
    ASSERT_EQ(ReadForm(in, c.form, context, -5, value), c.ok);
    if (!c.ok) return;
    EXPECT_EQ(value.kind, c.kind);
    if (c.kind != FormClass::Block && c.kind != FormClass::InlineString) {
        EXPECT_EQ(value.value, c.value);
    }
    EXPECT_EQ(in.at(), c.consumed);
}

INSTANTIATE_TEST_SUITE_P(Dwarf, Forms, ::testing::ValuesIn(kForms));

// A count or a size given as DW_FORM_sec_offset is an offset into another section, not a
// number: read as one, a damaged array claimed 100 million elements where libdw sees none.
// The section bases of DWARF 5 are such offsets, in DWARF 2 and 3 given as data4.
TEST(Forms, ConstantsAndSectionOffsetsAreTold)
{
    const struct {
        unsigned form;
        std::vector<std::uint8_t> bytes;
        bool constant;
        bool offset;
    } cases[] = {{DW_FORM_data4, {8, 0, 0, 0}, true, true},
                 {DW_FORM_sdata, {8}, true, false},
                 {DW_FORM_sec_offset, {8, 0, 0, 0}, false, true},
                 {DW_FORM_strp, {8, 0, 0, 0}, false, false},
                 {DW_FORM_block1, {1, 8}, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        Cursor in(c.bytes);
        FormValue value;
        ASSERT_TRUE(ReadForm(in, c.form, {5, 4, 0, 0x100}, 0, value));
        std::uint64_t number = 0;
        EXPECT_EQ(AsUnsigned(value, number), c.constant);
        EXPECT_EQ(AsSectionOffset(value, number), c.offset);
    }
}

// A reference whose stored offset is 0 is a dead-stripped unit's "no type", whatever
// the unit's offset makes of it.
TEST(Forms, ZeroReferenceIsMarkedWhateverTheForm)
{
    for (const unsigned form : {DW_FORM_ref1, DW_FORM_ref2, DW_FORM_ref4, DW_FORM_ref_udata, DW_FORM_ref_addr}) {
        SCOPED_TRACE(form);
        const std::vector<std::uint8_t> zeros(8, 0);
        Cursor in(zeros);
        FormValue value;
        ASSERT_TRUE(ReadForm(in, form, {2, 4, 0x40, 0x80}, 0, value));
        EXPECT_TRUE(value.zeroReference);
    }
}

// A unit of 2-byte addresses (AVR, this target's small model): DWARF 2's section
// references are as wide as its addresses, DWARF 3's are offsets of 4 bytes.
TEST(Forms, AddressWideFormsFollowTheUnitsAddressSize)
{
    const struct {
        unsigned form;
        int version;
        std::size_t consumed;
    } cases[] = {{DW_FORM_addr, 2, 2}, {DW_FORM_ref_addr, 2, 2}, {DW_FORM_ref_addr, 3, 4}, {DW_FORM_addr, 5, 2}};
    const std::vector<std::uint8_t> bytes = {0x10, 0, 0, 0, 0, 0, 0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "form " << c.form << ", DWARF " << c.version);
        Cursor in(bytes);
        FormValue value;
        ASSERT_TRUE(ReadForm(in, c.form, {c.version, 2, 0, 0x100}, 0, value));
        EXPECT_EQ(in.at(), c.consumed);
        EXPECT_EQ(value.value, 0x10u);
    }
}

// A unit's own references stay inside it; DW_FORM_ref_addr may lead into any unit.
TEST(Forms, UnitRelativeReferencesPastTheUnitAreMarked)
{
    const struct {
        unsigned form;
        std::vector<std::uint8_t> bytes;
        bool outside;
    } cases[] = {{DW_FORM_ref4, {0x3F, 0, 0, 0}, false},
                 {DW_FORM_ref4, {0x40, 0, 0, 0}, true},
                 {DW_FORM_ref_udata, {0x80, 0x01}, true},
                 {DW_FORM_ref_addr, {0x00, 0x10, 0, 0}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        Cursor in(c.bytes);
        FormValue value;
        ASSERT_TRUE(ReadForm(in, c.form, {3, 4, 0x100, 0x140}, 0, value));
        EXPECT_EQ(value.outsideUnit, c.outside);
    }
}

struct ConstantCase {
    const char* what;
    unsigned form;
    std::vector<std::uint8_t> bytes;
    std::int64_t asSigned;
};

// Enumerators of a signed enum are written as fixed-size data: -1 in one byte is 0xFF.
TEST(Forms, FixedSizeConstantsAreSignExtendedFromTheirWidth)
{
    const ConstantCase cases[] = {
        {"data1", DW_FORM_data1, {0xFF}, -1},
        {"data2", DW_FORM_data2, {0xFE, 0xFF}, -2},
        {"data4", DW_FORM_data4, {0xFD, 0xFF, 0xFF, 0xFF}, -3},
        {"data4 positive", DW_FORM_data4, {200, 0, 0, 0}, 200},
        {"udata stays positive", DW_FORM_udata, {0xFF, 0x01}, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Cursor in(c.bytes);
        FormValue value;
        ASSERT_TRUE(ReadForm(in, c.form, {}, 0, value));
        std::int64_t number = 0;
        ASSERT_TRUE(AsSigned(value, number));
        EXPECT_EQ(number, c.asSigned);
    }
}

} // namespace
} // namespace elf
