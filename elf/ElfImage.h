#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace elf {

// The section table of a 32-bit little-endian ELF file, checked against the file's
// length. e_machine is never looked at: the target's toolchains write numbers that no
// registry knows.
class ElfImage {
public:
    struct Section {
        std::string name;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;       // clipped to the end of the file
        std::uint32_t headerOffset = 0; // where its section header lies in the file
        bool cut = false;             // the header promised more bytes than the file holds
        std::uint32_t flags = 0;      // sh_flags
        bool compressed = false;      // SHF_COMPRESSED: its bytes are not the section's content
    };

    // nullopt with `why` set when the bytes are not such a file.
    static std::optional<ElfImage> Parse(std::span<const std::uint8_t> bytes, std::string& why);

    const Section* Find(std::string_view name) const;
    std::span<const std::uint8_t> Bytes(const Section& section) const
    {
        return m_bytes.subspan(section.offset, section.size);
    }
    const std::vector<Section>& sections() const { return m_sections; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::vector<Section> m_sections;
};

// Little-endian reads that never pass the end of `bytes`; out of range reads give 0.
std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t offset, int width);

} // namespace elf
