// Writes the emulated target program's ELF, with the debug information the current
// toolchain would write for it: quobin-sim-demo-elf PATH. examples/demo.elf is made
// with it (and examples/demo.elf.xMAP with quobin-sim-demo-map --typed).
#include <cstdio>
#include <fstream>

#include "elf/tools/DebugElfWriter.h"
#include "sim/DemoDebugInfo.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quobin-sim-demo-elf PATH\n");
        return 2;
    }
    elf::WriterOptions options;
    options.strayZeroBytes = 3; // as the linker leaves them after a unit
    const auto bytes = elf::WriteDebugElf(sim::DemoDebugInfo(), options);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "quobin-sim-demo-elf: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
