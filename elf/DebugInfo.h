#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace elf {

// A name from the debug information, in UTF-8. A name that one string of the file gives
// to many entries (DW_FORM_strp) is kept once and shared by all of them: a hostile file
// can hand one string of megabytes to a million members.
class Name {
public:
    Name() = default;
    Name(const char* text) : Name(std::string(text)) {}
    Name(std::string text)
        : m_text(text.empty() ? nullptr : std::make_shared<const std::string>(std::move(text)))
    {
    }

    const std::string& str() const { return m_text ? *m_text : Empty(); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }
    bool empty() const { return !m_text; }
    std::size_t size() const { return str().size(); }
    friend bool operator==(const Name& a, std::string_view b) { return a.str() == b; }
    friend std::string operator+(const std::string& a, const Name& b) { return a + b.str(); }
    friend std::string operator+(const char* a, const Name& b) { return a + b.str(); }
    friend std::string operator+(const Name& a, const char* b) { return a.str() + b; }
    friend std::ostream& operator<<(std::ostream& out, const Name& name);

private:
    static const std::string& Empty();
    std::shared_ptr<const std::string> m_text;
};

// The file's bytes of a name as text: every byte a Latin-1 character, as in the map,
// and control characters, which would break a listing's lines, as '?'. A name longer than
// kMaxNameBytes comes only from a damaged file; it is cut there and ends in "…", as
// every member's path and every listed row would carry it whole.
inline constexpr std::size_t kMaxNameBytes = 255;
std::string NameText(std::string_view bytes);

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
    Function,  // what a function pointer points to; `target` is the return type (-1: void)
};

enum class BaseEncoding : std::uint8_t { Signed, Unsigned, Float, Boolean };

struct Member {
    Name name;
    int type = -1;
    std::uint32_t byteOffset = 0;
    // Bit fields only: the field's lowest bit inside the storage unit that starts at
    // byteOffset, and its width. bitSize 0 marks an ordinary member.
    std::uint16_t bitLsb = 0;
    std::uint16_t bitSize = 0;
    std::uint16_t unitBytes = 0; // storage unit of a bit field (2 on this target)
};

struct Enumerator {
    Name name;
    std::int64_t value = 0;
};

struct Type {
    TypeKind kind = TypeKind::Unknown;
    Name name;                  // empty for anonymous types and pointers
    std::uint32_t byteSize = 0; // 0 when the file gives none (large arrays: count x element)
    BaseEncoding encoding = BaseEncoding::Signed;
    int target = -1;              // pointee, element, typedef/qualifier/enum base
    std::uint32_t count = 0;      // array elements (outer dimension)
    std::uint8_t addressClass = 0; // pointers: 4 = holds a byte address
    std::vector<Member> members;
    std::vector<Enumerator> enumerators;
};

struct Variable {
    Name name;
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
