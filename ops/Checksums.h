#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ops {

// CRC-32 with the polynomial of zip and Ethernet. `Crc32Words` takes 16-bit flash words
// low byte first, as the S file and the chip hold them, so the figure of a region
// matches a CRC-32 of the same words read back from the chip and dumped to a file.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t Crc32Words(std::span<const std::uint16_t> words);


// SHA-256 of bytes, 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
// A file's CRC-32 and SHA-256, from one read of it; none and empty when it cannot be
// read.
struct FileDigests {
    std::optional<std::uint32_t> crc32;
    std::string sha256;
};
FileDigests DigestFile(const std::string& path);

} // namespace ops
