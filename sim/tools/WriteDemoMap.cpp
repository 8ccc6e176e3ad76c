// Writes the emulated target program's map file: quobin-sim-demo-map [--typed] [PATH]
// (standard output without PATH). examples/demo.xMAP is made with it, and with --typed
// examples/demo.elf.xMAP, the map that lists the typed data too.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string_view>

#include "sim/DemoMap.h"

int main(int argc, char** argv)
{
    const bool typed = argc > 1 && std::string_view(argv[1]) == "--typed";
    if (typed) --argc, ++argv;
    const std::string text = sim::DemoMapText(typed);
    if (argc < 2) {
        std::cout << text;
        return 0;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        std::fprintf(stderr, "quobin-sim-demo-map: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
