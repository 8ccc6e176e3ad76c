#pragma once

#include <cstdint>

// Numbers of DWARF version 1 (the `.debug` section), which no packaged library reads
// any more. Shared by the reader and the test-file writer.
namespace elf::dwarf1 {

enum Tag : std::uint16_t {
    TAG_padding = 0x0000,
    TAG_array_type = 0x0001,
    TAG_enumeration_type = 0x0004,
    TAG_global_subroutine = 0x0006,
    TAG_global_variable = 0x0007,
    TAG_local_variable = 0x000c,
    TAG_member = 0x000d,
    TAG_compile_unit = 0x0011,
    TAG_structure_type = 0x0013,
    TAG_subroutine = 0x0014,
    TAG_subroutine_type = 0x0015,
    TAG_typedef = 0x0016,
    TAG_union_type = 0x0017,
};

// Attribute codes carry their form in the low four bits.
enum Form : std::uint16_t {
    FORM_ADDR = 0x1,
    FORM_REF = 0x2,
    FORM_BLOCK2 = 0x3,
    FORM_BLOCK4 = 0x4,
    FORM_DATA2 = 0x5,
    FORM_DATA4 = 0x6,
    FORM_DATA8 = 0x7,
    FORM_STRING = 0x8,
};

enum Attribute : std::uint16_t {
    AT_sibling = 0x0010 | FORM_REF,
    AT_location = 0x0020 | FORM_BLOCK2,
    AT_name = 0x0030 | FORM_STRING,
    AT_fund_type = 0x0050 | FORM_DATA2,
    AT_mod_fund_type = 0x0060 | FORM_BLOCK2,
    AT_user_def_type = 0x0070 | FORM_REF,
    AT_mod_u_d_type = 0x0080 | FORM_BLOCK2,
    AT_subscr_data = 0x00a0 | FORM_BLOCK2,
    AT_byte_size = 0x00b0 | FORM_DATA4,
    AT_bit_offset = 0x00c0 | FORM_DATA2,
    AT_bit_size = 0x00d0 | FORM_DATA4,
    AT_element_list = 0x00f0 | FORM_BLOCK4,
    // The element list as an older edition of the format gave it, with a 2-byte length.
    AT_short_element_list = 0x00f0 | FORM_BLOCK2,
    AT_producer = 0x0250 | FORM_STRING,
};

enum Op : std::uint8_t { OP_ADDR = 0x03, OP_CONST = 0x04, OP_ADD = 0x07 };
enum Modifier : std::uint8_t { MOD_pointer_to = 0x01, MOD_const = 0x03, MOD_volatile = 0x04 };
enum SubscriptFormat : std::uint8_t { FMT_FT_C_C = 0x0, FMT_UT_C_C = 0x4, FMT_ET = 0x8 };

enum FundType : std::uint16_t {
    FT_char = 0x0001,
    FT_signed_char = 0x0002,
    FT_unsigned_char = 0x0003,
    FT_short = 0x0004,
    FT_signed_short = 0x0005,
    FT_unsigned_short = 0x0006,
    FT_integer = 0x0007,
    FT_signed_integer = 0x0008,
    FT_unsigned_integer = 0x0009,
    FT_long = 0x000a,
    FT_signed_long = 0x000b,
    FT_unsigned_long = 0x000c,
    FT_pointer = 0x000d,
    FT_float = 0x000e,
    FT_dbl_prec_float = 0x000f,
    FT_ext_prec_float = 0x0010,
    FT_void = 0x0014,
    FT_boolean = 0x0015,
};

} // namespace elf::dwarf1
