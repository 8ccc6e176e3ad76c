#include "elf/DwarfAbbrev.h"

#include <dwarf.h>

#include "elf/DwarfCursor.h"

namespace elf {

std::optional<AbbrevTable> AbbrevTable::Parse(std::span<const std::uint8_t> section, std::uint64_t offset,
                                              std::size_t& work)
{
    if (offset >= section.size()) return std::nullopt;
    Cursor in(section, static_cast<std::size_t>(offset));
    AbbrevTable table;
    for (;;) {
        const std::uint64_t code = in.Uleb();
        if (!in.ok()) return table;
        if (code == 0) return table;
        ++work;
        Abbrev abbrev;
        const std::uint64_t tag = in.Uleb();
        abbrev.children = in.U8() == DW_CHILDREN_yes;
        if (tag > 0xFFFF) return table;
        abbrev.tag = static_cast<std::uint32_t>(tag);
        for (;;) {
            AbbrevAttribute attribute;
            const std::uint64_t name = in.Uleb();
            const std::uint64_t form = in.Uleb();
            if (!in.ok()) return table;
            if (name == 0 && form == 0) break;
            if (name > 0xFFFF || form > 0xFF) return table;
            attribute.name = static_cast<std::uint32_t>(name);
            attribute.form = static_cast<std::uint32_t>(form);
            if (form == DW_FORM_implicit_const) attribute.implicitConst = in.Sleb();
            abbrev.attributes.push_back(attribute);
            ++work;
        }
        if (!in.ok()) return table;
        if (code == table.m_dense.size() + 1 && table.m_sparse.empty())
            table.m_dense.push_back(std::move(abbrev));
        else
            table.m_sparse.try_emplace(code, std::move(abbrev)); // the first of a code counts
    }
}

const Abbrev* AbbrevTable::Find(std::uint64_t code) const
{
    if (code >= 1 && code <= m_dense.size()) return &m_dense[static_cast<std::size_t>(code - 1)];
    const auto found = m_sparse.find(code);
    return found == m_sparse.end() ? nullptr : &found->second;
}

} // namespace elf
