#include "elf/ElfImage.h"

#include <algorithm>

namespace elf {

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t offset, int width)
{
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::size_t>(width)) return 0;
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

std::optional<ElfImage> ElfImage::Parse(std::span<const std::uint8_t> bytes, std::string& why)
{
    constexpr std::size_t kHeaderBytes = 52;
    constexpr std::size_t kSectionHeaderBytes = 40;
    if (bytes.size() < kHeaderBytes || bytes[0] != 0x7F || bytes[1] != 'E' || bytes[2] != 'L' ||
        bytes[3] != 'F') {
        why = "not an ELF file";
        return std::nullopt;
    }
    if (bytes[4] != 1 || bytes[5] != 1) {
        why = "not a 32-bit little-endian ELF file";
        return std::nullopt;
    }
    const std::uint32_t shoff = ReadLe(bytes, 32, 4);
    const std::uint32_t shentsize = ReadLe(bytes, 46, 2);
    const std::uint32_t shnum = ReadLe(bytes, 48, 2);
    const std::uint32_t shstrndx = ReadLe(bytes, 50, 2);
    if (shnum == 0 || shentsize < kSectionHeaderBytes || shoff > bytes.size() ||
        (bytes.size() - shoff) / shentsize < shnum) {
        why = "the section table is missing or cut short";
        return std::nullopt;
    }
    ElfImage image;
    image.m_bytes = bytes;
    const auto header = [&](std::uint32_t index) { return shoff + index * shentsize; };
    const auto clip = [&](std::uint32_t offset, std::uint32_t size, bool& cut) {
        const std::uint32_t available =
            offset > bytes.size() ? 0 : static_cast<std::uint32_t>(bytes.size() - offset);
        cut = size > available;
        return std::min(size, available);
    };
    std::span<const std::uint8_t> names;
    if (shstrndx < shnum) {
        bool cut = false;
        const std::uint32_t offset = ReadLe(bytes, header(shstrndx) + 16, 4);
        const std::uint32_t size = clip(offset, ReadLe(bytes, header(shstrndx) + 20, 4), cut);
        if (offset <= bytes.size()) names = bytes.subspan(offset, size);
    }
    for (std::uint32_t i = 0; i < shnum; ++i) {
        const std::uint32_t at = header(i);
        Section section;
        section.headerOffset = at;
        const std::uint32_t nameOffset = ReadLe(bytes, at, 4);
        const std::uint32_t type = ReadLe(bytes, at + 4, 4);
        for (std::size_t n = nameOffset; n < names.size() && names[n] != 0 && n < nameOffset + 64u; ++n)
            section.name.push_back(static_cast<char>(names[n]));
        constexpr std::uint32_t kCompressed = 0x800;
        section.flags = ReadLe(bytes, at + 8, 4);
        section.compressed = (section.flags & kCompressed) != 0;
        section.offset = ReadLe(bytes, at + 16, 4);
        constexpr std::uint32_t kNoBits = 8;
        section.size = type == kNoBits ? 0 : clip(section.offset, ReadLe(bytes, at + 20, 4), section.cut);
        if (section.offset > bytes.size()) section.offset = static_cast<std::uint32_t>(bytes.size());
        image.m_sections.push_back(std::move(section));
    }
    return image;
}

const ElfImage::Section* ElfImage::Find(std::string_view name) const
{
    const auto found = std::find_if(m_sections.begin(), m_sections.end(),
                                    [&](const Section& s) { return s.name == name; });
    return found == m_sections.end() ? nullptr : &*found;
}

} // namespace elf
