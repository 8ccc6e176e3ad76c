#include "monitor/TypedSymbols.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "elf/TypeLayout.h"
#include "monitor/ValueText.h"

namespace monitor {
namespace {

using elf::TypeKind;

// X data memory: 2^24 words.
constexpr std::uint64_t kDataMemoryBytes = std::uint64_t{1} << 25;

bool AllDigits(const std::string& name)
{
    if (name.empty()) return false;
    for (char c : name)
        if (c < '0' || c > '9') return false;
    return true;
}

ViewType IntegerView(std::uint32_t size, bool isSigned, std::uint8_t lane)
{
    switch (size) {
    case 1: return lane ? BYTE_HIGH : BYTE_LOW;
    case 2: return isSigned ? INT16 : UINT16;
    case 4: return isSigned ? INT32 : UINT32;
    default: return size > 2 ? HEX32 : HEX16;
    }
}

// The view a C type starts with, by the kind of number it holds.
ViewType ViewFor(const elf::DebugInfo& info, int type, std::uint8_t lane, bool& aggregate)
{
    aggregate = false;
    for (int step = 0; step < elf::kMaxTypeChain; ++step) {
        const elf::Type* t = elf::TypeAt(info, type);
        if (!t || (t->kind != TypeKind::Typedef && t->kind != TypeKind::Qualifier)) break;
        if (t->kind == TypeKind::Typedef && t->name == "Frac16") return FRAC16;
        if (t->kind == TypeKind::Typedef && t->name == "Frac32") return FRAC32;
        type = t->target;
    }
    const elf::Type* t = elf::TypeAt(info, elf::StripTypedefs(info, type));
    if (!t) return HEX16;
    const std::uint32_t size = elf::ByteSize(info, type).value_or(0);
    switch (t->kind) {
    case TypeKind::Base:
        if (t->encoding == elf::BaseEncoding::Float) return size == 4 ? FLOAT : HEX16;
        return IntegerView(size, t->encoding == elf::BaseEncoding::Signed, lane);
    case TypeKind::Enum: {
        bool negative = false;
        for (const auto& e : t->enumerators) negative = negative || e.value < 0;
        return IntegerView(size, negative, lane);
    }
    case TypeKind::Pointer: return size == 4 ? HEX32 : HEX16;
    case TypeKind::Array:
        aggregate = true;
        return elf::ByteSize(info, t->target) == 1u ? ASCII : HEX16;
    case TypeKind::Struct:
    case TypeKind::Union: aggregate = true; return HEX16;
    default: return HEX16;
    }
}

// Steps of a path after its symbol name: ".member" or "[index]".
struct Step {
    bool index = false;
    std::string member;
    std::uint32_t element = 0;
};

bool SplitPath(std::string_view path, std::string& symbol, std::vector<Step>& steps)
{
    const std::size_t first = path.find_first_of(".[");
    symbol = std::string(path.substr(0, first));
    if (symbol.empty()) return false;
    std::size_t at = first;
    while (at != std::string_view::npos && at < path.size()) {
        Step step;
        if (path[at] == '.') {
            const std::size_t end = path.find_first_of(".[", at + 1);
            step.member = std::string(path.substr(at + 1, end == std::string_view::npos ? end : end - at - 1));
            if (step.member.empty()) return false;
            at = end;
        } else if (path[at] == '[') {
            const std::size_t close = path.find(']', at);
            if (close == std::string_view::npos || close == at + 1 || close - at > 11) return false;
            std::uint64_t value = 0;
            for (std::size_t i = at + 1; i < close; ++i) {
                if (path[i] < '0' || path[i] > '9') return false;
                value = value * 10 + static_cast<std::uint64_t>(path[i] - '0');
            }
            if (value > 0xFFFFFFFFu) return false;
            step.index = true;
            step.element = static_cast<std::uint32_t>(value);
            at = close + 1;
        } else {
            return false;
        }
        steps.push_back(std::move(step));
        if (steps.size() > 64) return false;
    }
    return true;
}

} // namespace

void TypedSymbols::Clear()
{
    m_info = {};
    m_rows.clear();
    m_typed = 0;
    m_disagreements = 0;
}

void TypedSymbols::Merge(SymbolTable& table, elf::DebugInfo info)
{
    Clear();
    m_info = std::move(info);
    std::unordered_multimap<std::string, const elf::Variable*> byName;
    for (const auto& v : m_info.variables) byName.emplace(v.name, &v);

    std::vector<SymbolEntry> entries = table.entries();
    m_rows.assign(entries.size(), std::nullopt);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SymbolEntry& entry = entries[i];
        // The older toolchain's statics of functions: "count$123" in the map, "count" in
        // the ELF; several functions may have one, so the address decides.
        std::string name = entry.name;
        if (const auto dollar = name.find('$'); dollar != std::string::npos && byName.count(name) == 0)
            name.resize(dollar);
        const auto [first, last] = byName.equal_range(name);
        if (first == last) continue;
        const elf::Variable* match = nullptr;
        for (auto it = first; it != last && !match; ++it) {
            const std::uint32_t byte = it->second->byteAddress;
            const bool same = (byte >> 1) == entry.address || ((byte & 1) && (byte >> 1) + 1 == entry.address);
            if (same) match = it->second;
        }
        if (!match) {
            ++m_disagreements;
            continue;
        }
        TypedRow row = Describe(entry.name, match->byteAddress, match->type, static_cast<int>(i));
        if (row.typeText.empty()) continue;
        entry.address = row.address;
        entry.viewType = row.viewType;
        entry.extent = {row.lane, row.sizeBytes};
        m_rows[i] = std::move(row);
        ++m_typed;
    }
    table.Assign(std::move(entries), table.dropped());
}

const TypedRow* TypedSymbols::RowOf(int symbolIndex) const
{
    if (symbolIndex < 0 || static_cast<std::size_t>(symbolIndex) >= m_rows.size()) return nullptr;
    const auto& row = m_rows[static_cast<std::size_t>(symbolIndex)];
    return row ? &*row : nullptr;
}

TypedRow TypedSymbols::Describe(std::string path, std::uint32_t byteAddress, int type, int symbolIndex) const
{
    TypedRow row;
    row.path = std::move(path);
    row.byteAddress = byteAddress;
    row.address = byteAddress >> 1;
    row.lane = static_cast<std::uint8_t>(byteAddress & 1);
    row.type = type;
    row.symbolIndex = symbolIndex;
    const auto size = elf::ByteSize(m_info, type);
    if (!size) return row; // unknown or looping type: no type at all
    row.typeText = elf::TypeText(m_info, type);
    row.sizeBytes = *size;
    row.sizeWords = static_cast<std::int32_t>(
        std::min<std::uint64_t>((std::uint64_t{*size} + row.lane + 1) / 2, INT32_MAX));
    row.viewType = ViewFor(m_info, type, row.lane, row.aggregate);
    if (const elf::Type* t = elf::TypeAt(m_info, elf::StripTypedefs(m_info, type))) {
        if (t->kind == TypeKind::Enum) row.enumerators = t->enumerators;
        row.isSigned = (t->kind == TypeKind::Base && t->encoding == elf::BaseEncoding::Signed) ||
                       std::any_of(row.enumerators.begin(), row.enumerators.end(),
                                   [](const elf::Enumerator& e) { return e.value < 0; });
    }
    return row;
}

std::optional<TypedRow> TypedSymbols::DescribeInside(const TypedRow& parent, std::string path,
                                                     std::uint64_t byteAddress, std::uint64_t bytes,
                                                     int type, std::string& error) const
{
    if (byteAddress + bytes > std::uint64_t{parent.byteAddress} + parent.sizeBytes) {
        error = "'" + path + "' lies outside '" + parent.path + "' (the ELF puts it at byte " +
                std::to_string(byteAddress - parent.byteAddress) + " of " +
                std::to_string(parent.sizeBytes) + ")";
        return std::nullopt;
    }
    if (byteAddress + bytes > kDataMemoryBytes) {
        error = "'" + path + "' lies outside the data memory";
        return std::nullopt;
    }
    return Describe(std::move(path), static_cast<std::uint32_t>(byteAddress), type, parent.symbolIndex);
}

std::optional<TypedRow> TypedSymbols::DescribeMember(const TypedRow& parent, const elf::Member& member,
                                                     std::string& error) const
{
    const std::uint64_t bytes =
        member.bitSize != 0 ? member.unitBytes : elf::ByteSize(m_info, member.type).value_or(0);
    auto row = DescribeInside(parent, parent.path + "." + member.name,
                              std::uint64_t{parent.byteAddress} + member.byteOffset, bytes, member.type, error);
    if (!row || member.bitSize == 0 || row->typeText.empty()) return row;
    row->bits = BitField{member.bitLsb, member.bitSize};
    row->typeText += " : " + std::to_string(member.bitSize);
    row->sizeBytes = member.unitBytes;
    row->sizeWords = (member.unitBytes + 1) / 2;
    row->aggregate = false;
    row->viewType = member.unitBytes == 4 ? UINT32 : UINT16;
    return row;
}

ChildRows TypedSymbols::Children(const TypedRow& parent, std::size_t limit) const
{
    ChildRows children;
    if (!parent.aggregate) return children;
    const elf::Type* t = elf::TypeAt(m_info, elf::StripTypedefs(m_info, parent.type));
    if (!t) return children;
    if (t->kind == TypeKind::Struct || t->kind == TypeKind::Union) {
        for (const auto& member : t->members) {
            // An anonymous struct or union member is named by a number, and its fields
            // are repeated in the parent: list them once.
            if (AllDigits(member.name)) {
                const elf::Type* m = elf::TypeAt(m_info, elf::StripTypedefs(m_info, member.type));
                if (m && (m->kind == TypeKind::Struct || m->kind == TypeKind::Union)) continue;
            }
            if (children.rows.size() == limit) break;
            // A member outside its struct (a damaged file) is listed nowhere; named, it is
            // refused with the reason.
            std::string outside;
            if (auto row = DescribeMember(parent, member, outside)) children.rows.push_back(std::move(*row));
        }
    } else if (t->kind == TypeKind::Array) {
        const auto elementSize = elf::ByteSize(m_info, t->target);
        if (!elementSize || *elementSize == 0) return children;
        const auto listed = static_cast<std::uint32_t>(
            std::min<std::size_t>(std::min(t->count, kMaxListedElements), limit));
        children.more = t->count - std::min(t->count, kMaxListedElements);
        std::string outside;
        for (std::uint32_t i = 0; i < listed; ++i) {
            auto element = DescribeInside(parent, parent.path + "[" + std::to_string(i) + "]",
                                          parent.byteAddress + std::uint64_t{i} * *elementSize,
                                          *elementSize, t->target, outside);
            if (!element) break;
            children.rows.push_back(std::move(*element));
        }
    }
    return children;
}

std::uint32_t TypedSymbols::ElementsLeftOut(const TypedRow& row) const
{
    if (!row.aggregate) return 0;
    const elf::Type* t = elf::TypeAt(m_info, elf::StripTypedefs(m_info, row.type));
    if (!t || t->kind != TypeKind::Array || !elf::ByteSize(m_info, t->target).value_or(0)) return 0;
    return t->count - std::min(t->count, kMaxListedElements);
}

void TypedSymbols::EachDescendant(const TypedRow& row, int maxDepth, std::size_t& budget,
                                  const std::function<void(const TypedRow&)>& visit) const
{
    if (maxDepth <= 0 || budget == 0) return;
    for (const TypedRow& child : Children(row, budget).rows) {
        if (budget == 0) return;
        --budget;
        visit(child);
        EachDescendant(child, maxDepth - 1, budget, visit);
    }
}

std::optional<TypedRow> TypedSymbols::Resolve(const SymbolTable& table, std::string_view path,
                                              std::string& error) const
{
    std::string symbol;
    std::vector<Step> steps;
    if (!SplitPath(path, symbol, steps)) {
        error = "'" + std::string(path) + "' is not a symbol or a path name such as a.b[2].c";
        return std::nullopt;
    }
    const int index = table.Find(symbol);
    if (index < 0) {
        error = "no symbol '" + symbol + "' in the map";
        return std::nullopt;
    }
    const TypedRow* typed = RowOf(index);
    if (!typed) {
        if (steps.empty()) {
            const SymbolEntry& entry = table.at(index);
            TypedRow row;
            row.path = entry.name;
            row.address = entry.address;
            row.byteAddress = entry.address << 1;
            row.sizeWords = entry.size;
            row.viewType = entry.viewType;
            row.symbolIndex = index;
            return row;
        }
        error = "the ELF gives no type for '" + symbol + "', so it has no members";
        return std::nullopt;
    }
    TypedRow row = *typed;
    if (std::uint64_t{row.byteAddress} + row.sizeBytes > kDataMemoryBytes) {
        error = "the ELF gives '" + symbol + "' " + std::to_string(row.sizeBytes) +
                " bytes, more than the data memory holds";
        return std::nullopt;
    }
    for (const Step& step : steps) {
        const elf::Type* t = elf::TypeAt(m_info, elf::StripTypedefs(m_info, row.type));
        if (step.index) {
            if (!t || t->kind != TypeKind::Array) {
                error = "'" + row.path + "' is not an array";
                return std::nullopt;
            }
            const auto elementSize = elf::ByteSize(m_info, t->target);
            if (step.element >= t->count || !elementSize) {
                error = "'" + row.path + "' has " + std::to_string(t->count) + " elements";
                return std::nullopt;
            }
            auto element = DescribeInside(row, row.path + "[" + std::to_string(step.element) + "]",
                                          row.byteAddress + std::uint64_t{step.element} * *elementSize,
                                          *elementSize, t->target, error);
            if (!element) return std::nullopt;
            row = std::move(*element);
            continue;
        }
        const ChildRows children = Children(row);
        const std::string wanted = row.path + "." + step.member;
        const TypedRow* found = nullptr;
        for (const auto& child : children.rows)
            if (child.path == wanted) found = &child;
        if (!found && t && (t->kind == TypeKind::Struct || t->kind == TypeKind::Union)) {
            // Children leave out what lies outside the variable: say so instead of "no member".
            for (const auto& member : t->members)
                if (member.name == step.member && !DescribeMember(row, member, error)) return std::nullopt;
        }
        if (!found || !t || (t->kind != TypeKind::Struct && t->kind != TypeKind::Union)) {
            error = "'" + row.path + "' has no member '" + step.member + "'";
            return std::nullopt;
        }
        row = *found;
    }
    return row;
}

std::optional<std::int64_t> TypedSymbols::BitFieldValue(const TypedRow& row, std::uint32_t raw) const
{
    if (!row.bits || row.bits->width == 0) return std::nullopt;
    const std::uint32_t mask = row.bits->width >= 32 ? 0xFFFFFFFFu : (1u << row.bits->width) - 1;
    const std::uint32_t field = (raw >> row.bits->lsb) & mask;
    if (row.isSigned && row.bits->width < 32 && (field >> (row.bits->width - 1)) != 0)
        return static_cast<std::int64_t>(field) - (std::int64_t{1} << row.bits->width);
    return field;
}

std::string TypedSymbols::ValueText(const TypedRow& row, std::uint32_t raw, std::string formatted) const
{
    if (const std::optional<std::int64_t> field = BitFieldValue(row, raw)) return std::to_string(*field);
    const std::optional<double> number = PlotValue(row.viewType, raw);
    for (const auto& e : row.enumerators)
        if (number && static_cast<double>(e.value) == *number) return formatted + " (" + e.name + ")";
    return formatted;
}

std::string TypedSymbols::ShownText(const TypedRow* row, ViewType viewType, std::uint32_t raw,
                                    std::string formatted) const
{
    if (row == nullptr || row->viewType != viewType) return formatted;
    return ValueText(*row, raw, std::move(formatted));
}

std::string BitFieldPlace(const TypedRow& row)
{
    const std::string address = WordAddressText(row.address);
    if (!row.bits || row.bits->width <= 1)
        return "bit " + std::to_string(row.bits ? row.bits->lsb : 0) + " of " + address;
    return "bits " + std::to_string(row.bits->lsb + row.bits->width - 1) + ".." +
           std::to_string(row.bits->lsb) + " of " + address;
}

} // namespace monitor
