#include "tests/elf/TestFiles.h"

#include <fstream>
#include <iterator>

namespace elf::test {

std::vector<std::uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace elf::test
