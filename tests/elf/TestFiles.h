#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace elf::test {

// The whole of a file of tests/elf/data or examples/, empty when it cannot be read.
std::vector<std::uint8_t> FileBytes(const std::string& path);

} // namespace elf::test
