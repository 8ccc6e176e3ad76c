#include "elf/TypeGraphBuilder.h"

namespace elf {

TypeGraphBuilder::TypeGraphBuilder(const Limits& limits, DebugInfo& info, std::size_t fileBytes)
    // Each place of the file is one name; only a hostile file makes names overlap (one
    // long string named from each of its bytes), which would cost its size squared.
    : m_limits(limits), m_info(info), m_nameBudget(2 * fileBytes + 4096)
{
}

void TypeGraphBuilder::Note(const std::string& text)
{
    if (m_info.problem.empty()) m_info.problem = text;
}

bool TypeGraphBuilder::Full()
{
    if (m_rows <= m_limits.maxRows) return false;
    Note("more than " + std::to_string(m_limits.maxRows) + " entries; the rest was not read");
    return true;
}

int TypeGraphBuilder::Known(std::uint64_t offset) const
{
    const auto found = m_types.find(offset);
    return found == m_types.end() ? -1 : found->second;
}

bool TypeGraphBuilder::MayRead(int depth)
{
    if (depth > m_limits.maxDepth) {
        Note("type references nest deeper than " + std::to_string(m_limits.maxDepth));
        return false;
    }
    return !Full();
}

int TypeGraphBuilder::Reserve(std::uint64_t offset)
{
    const int index = Add(Type{});
    m_types.emplace(offset, index);
    return index;
}

void TypeGraphBuilder::Set(int index, Type type)
{
    m_info.types[static_cast<std::size_t>(index)] = std::move(type);
}

int TypeGraphBuilder::Add(Type type)
{
    ++m_rows;
    m_info.types.push_back(std::move(type));
    return static_cast<int>(m_info.types.size() - 1);
}

void TypeGraphBuilder::Dimensions(const std::vector<std::uint32_t>& counts, int element, Type& type)
{
    type.kind = TypeKind::Array;
    int inner = element;
    for (std::size_t d = counts.size(); d-- > 1;) {
        Type dimension;
        dimension.kind = TypeKind::Array;
        dimension.count = counts[d];
        dimension.target = inner;
        inner = Add(std::move(dimension));
    }
    type.count = counts.empty() ? 0 : counts[0];
    type.target = inner;
}

Name TypeGraphBuilder::NameAt(std::uint64_t place, std::string_view bytes)
{
    if (bytes.empty()) return {};
    const auto found = m_names.find(place);
    if (found != m_names.end()) return found->second;
    if (bytes.size() > m_nameBudget - m_nameBytes) {
        Note("the names of the debug information are longer than the file can hold; the rest are left out");
        return {};
    }
    m_nameBytes += bytes.size();
    Name name(NameText(bytes));
    m_names.emplace(place, name);
    return name;
}

} // namespace elf
