#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elf/DebugInfo.h"
#include "monitor/SymbolTable.h"

namespace monitor {

// Bits of a bit field inside the word (or two words) that holds it.
struct BitField {
    std::uint16_t lsb = 0;
    std::uint16_t width = 0;
};

// A symbol, or a member, element or bit field inside one, as the ELF describes it.
struct TypedRow {
    std::string path;              // "pConv.gain", "table[3]", "REG.RW"
    std::uint32_t byteAddress = 0; // byte address in X data memory
    std::uint32_t address = 0;     // word address (byteAddress >> 1)
    std::uint8_t lane = 0;         // 0 low byte, 1 high byte of the word
    std::uint32_t sizeBytes = 0;
    std::int32_t sizeWords = 0; // words the object touches
    std::string typeText;       // the C type; empty when the ELF gives none
    ViewType viewType = HEX16;
    bool aggregate = false; // struct, union or array: has children
    std::optional<BitField> bits;
    bool isSigned = false;                     // the C type holds negative numbers
    std::vector<elf::Enumerator> enumerators; // an enum's (or an enum bit field's) names
    int type = -1; // into the DebugInfo's types
    int symbolIndex = -1;
};

struct ChildRows {
    std::vector<TypedRow> rows;
    std::uint32_t more = 0; // elements of a long array left out of `rows`
};

// The ELF's types laid over the map's symbols. The map decides which symbols exist; a
// symbol gets a type only when the ELF has a variable of its name at its address (the
// map rounds a char at an odd byte up to the next word: that is still the same place,
// and the ELF's address wins). Children are made on demand, one level at a time.
class TypedSymbols {
public:
    // Longer arrays list their first elements only; any element can still be named.
    static constexpr std::uint32_t kMaxListedElements = 256;

    // Types `table`'s symbols from `info`: addresses of odd-byte chars move to the ELF's
    // word, view types become those of the C types.
    void Merge(SymbolTable& table, elf::DebugInfo info);
    void Clear();

    const elf::DebugInfo& info() const { return m_info; }
    // The typed row of a symbol; null when the ELF gave it no type.
    const TypedRow* RowOf(int symbolIndex) const;
    int typedCount() const { return m_typed; }
    int disagreements() const { return m_disagreements; }

    // The rows one level below `parent`, at most `limit` of them.
    ChildRows Children(const TypedRow& parent, std::size_t limit = SIZE_MAX) const;
    // Elements of an array row that Children leaves out; 0 for any other row.
    std::uint32_t ElementsLeftOut(const TypedRow& row) const;
    // Every member and element under `row`, depth first and each right after its parent,
    // down to `maxDepth` levels and for at most `budget` rows (counted down): a struct
    // whose members are of its own type, or a damaged file, cannot make it endless.
    void EachDescendant(const TypedRow& row, int maxDepth, std::size_t& budget,
                        const std::function<void(const TypedRow&)>& visit) const;
    // A symbol or a path into one: "name", "a.b", "arr[3]", "a.b[2].c". nullopt with
    // `error` set when a step does not exist.
    std::optional<TypedRow> Resolve(const SymbolTable& table, std::string_view path,
                                    std::string& error) const;
    // The value text of a row read as `raw` with its own view type: a bit field's value
    // shifted and masked out of its word, an enum's number followed by its name, and for
    // every other row `formatted`, the text the view type made.
    std::string ValueText(const TypedRow& row, std::uint32_t raw, std::string formatted) const;
    // The text of a value read as `viewType` for a row the ELF may have typed: ValueText
    // when the row is read with its own C type's view type, `formatted` as it stands for
    // an untyped row or one the user shows with another view type.
    std::string ShownText(const TypedRow* row, ViewType viewType, std::uint32_t raw,
                          std::string formatted) const;
    // A bit field's value, shifted and masked out of `raw` (sign-extended when its type is
    // signed); nullopt for a row that is not a bit field.
    std::optional<std::int64_t> BitFieldValue(const TypedRow& row, std::uint32_t raw) const;

private:
    TypedRow Describe(std::string path, std::uint32_t byteAddress, int type, int symbolIndex) const;
    // The row of a member or element of `bytes` bytes at `byteAddress` (computed in 64
    // bits, so that a damaged ELF's offsets cannot wrap onto another variable), or why it
    // has none: it lies outside its parent or outside the data memory.
    std::optional<TypedRow> DescribeInside(const TypedRow& parent, std::string path,
                                           std::uint64_t byteAddress, std::uint64_t bytes,
                                           int type, std::string& error) const;
    // Where a member lies: a bit field in its storage unit, anything else in its type.
    std::optional<TypedRow> DescribeMember(const TypedRow& parent, const elf::Member& member,
                                           std::string& error) const;

    elf::DebugInfo m_info;
    std::vector<std::optional<TypedRow>> m_rows; // by symbol index
    int m_typed = 0;
    int m_disagreements = 0;
};

// Where a bit field lies: "bits 15..14 of 0x000143", "bit 3 of 0x000143".
std::string BitFieldPlace(const TypedRow& row);

} // namespace monitor
