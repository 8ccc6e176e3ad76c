#include "elf/Dwarf2Reader.h"

// elfutils' libdw, which reads DWARF 2 and later, has no Windows build; there only the
// DWARF 1 reader of our own serves, and a newer file says why it gives no types.

namespace elf {

void ReadDwarf2(std::vector<std::uint8_t>&, const ElfImage&, const Limits&, DebugInfo& info)
{
    if (info.problem.empty()) info.problem = "ELF types are not available in this build";
}

} // namespace elf
