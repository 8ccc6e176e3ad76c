// Writes the emulated target program's map file: quobin-sim-demo-map [PATH]
// (standard output without PATH). examples/demo.xMAP is made with it.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "sim/DemoMap.h"

int main(int argc, char** argv)
{
    const std::string text = sim::DemoMapText();
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
