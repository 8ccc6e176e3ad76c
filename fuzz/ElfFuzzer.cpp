// The debug-information reader on any bytes, both DWARF versions: it must come back
// with a one-line reason instead of crashing, hanging or reading past a buffer, and
// every type it hands out must be safe to spell and to size, loops included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "elf/DebugInfoReader.h"
#include "elf/TypeLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    elf::Limits limits;
    limits.maxRows = 20000;
    const elf::DebugInfo info = elf::ReadDebugInfo(std::span<const std::uint8_t>(data, size), limits);
    if (info.problem.find('\n') != std::string::npos) {
        std::fprintf(stderr, "reason of more than one line: %s\n", info.problem.c_str());
        std::abort();
    }
    for (const auto& variable : info.variables) {
        (void)elf::TypeText(info, variable.type);
        (void)elf::ByteSize(info, variable.type);
        (void)elf::StripTypedefs(info, variable.type);
    }
    return 0;
}
