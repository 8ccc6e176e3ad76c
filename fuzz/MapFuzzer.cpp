// The map reader line by line: every symbol it takes lies in a RAM window and comes from
// a line that names a .bss or .data section. The name and the size are the map's own
// fields as written: an entry with nothing after its prefix character has an empty
// name, and a size field of 0x80000000 or more reads as a negative size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "monitor/MapFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // MC56F8367's windows: program RAM and data RAM.
    const monitor::RamWindows windows{0x8000, 0x87FF, 0x0000, 0x3FFF};
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        const auto symbol = monitor::ParseMapLine(line, windows);
        if (!symbol) continue;
        const bool sane =
            windows.Contains(symbol->address) && (line.find(".bss") != std::string_view::npos ||
                                                  line.find(".data") != std::string_view::npos);
        if (!sane) {
            std::fprintf(stderr, "map line taken wrongly: %.*s\n", static_cast<int>(line.size()),
                         line.data());
            std::abort();
        }
    }
    return 0;
}
