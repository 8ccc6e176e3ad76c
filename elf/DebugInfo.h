#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace elf {

// The C types and data objects of a program as its debug information describes them,
// whichever DWARF version it came from. Types refer to each other by index into
// DebugInfo::types; -1 is "type unknown" (a reference of 0, a dead-stripped unit, a
// reference that leads nowhere). The graph may hold cycles: a damaged file can make a
// typedef its own target, so every walk over it is bounded (see TypeLayout.h).
enum class TypeKind : std::uint8_t {
    Unknown,
    Base,
    Pointer,
    Struct,
    Union,
    Array,
    Enum,
    Typedef,
    Qualifier, // const / volatile: transparent for layout, part of the C text
};

enum class BaseEncoding : std::uint8_t { Signed, Unsigned, Float, Boolean };

struct Member {
    std::string name;
    int type = -1;
    std::uint32_t byteOffset = 0;
    // Bit fields only: the field's lowest bit inside the storage unit that starts at
    // byteOffset, and its width. bitSize 0 marks an ordinary member.
    std::uint16_t bitLsb = 0;
    std::uint16_t bitSize = 0;
    std::uint16_t unitBytes = 0; // storage unit of a bit field (2 on this target)
};

struct Enumerator {
    std::string name;
    std::int64_t value = 0;
};

struct Type {
    TypeKind kind = TypeKind::Unknown;
    std::string name;           // empty for anonymous types and pointers
    std::uint32_t byteSize = 0; // 0 when the file gives none (large arrays: count x element)
    BaseEncoding encoding = BaseEncoding::Signed;
    int target = -1;              // pointee, element, typedef/qualifier/enum base
    std::uint32_t count = 0;      // array elements (outer dimension)
    std::uint8_t addressClass = 0; // pointers: 4 = holds a byte address
    std::vector<Member> members;
    std::vector<Enumerator> enumerators;
};

struct Variable {
    std::string name;
    std::uint32_t byteAddress = 0; // byte address in X data memory
    int type = -1;
};

struct DebugInfo {
    int dwarfVersion = 0; // 0: none read
    std::string producer;
    std::vector<Type> types;
    std::vector<Variable> variables;
    // One line saying what was not read and why; empty when the whole file was read.
    std::string problem;
};

// Bounds that keep a damaged or hostile file from taking the program with it.
struct Limits {
    std::size_t maxFileBytes = 64u << 20;
    int maxDepth = 48;                // DIE nesting and type-reference chains
    std::size_t maxRows = 2'000'000;  // types + members + enumerators + variables
};

} // namespace elf
