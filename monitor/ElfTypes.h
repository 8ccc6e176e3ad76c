#pragma once

#include <string>
#include <vector>

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"

namespace monitor {

// The ELF that gives a map its types: `given` when not empty, otherwise the map's path
// without its last extension when such a file exists ("app.elf.xMAP" -> "app.elf");
// "" when there is none.
std::string FindElfForMap(const std::string& mapPath, const std::string& given = {});

// What laying an ELF's types over a map came to.
struct ElfTypesLoad {
    std::string path;   // the ELF read; empty when there was none
    bool typed = false; // the ELF gave types to some symbols
    // Why the ELF gave no types, or what of it could not be read; empty when it was read whole.
    std::string reason;
    std::string note; // which ELF gave the types, or why none did: one line for a listing
    // Symbols that lie elsewhere in the ELF than in the map, said in a line; empty when
    // they all agree.
    std::string disagreement;
    // What every front end says once, one line each: an ELF that could not be used or
    // read whole, symbols that disagree, an ELF that does not match its map.
    std::vector<std::string> warnings;
};

// Reads the ELF found for `mapPath` and lays its types over `table`. Without an ELF the
// table stays as the map made it.
ElfTypesLoad LoadElfTypes(const std::string& mapPath, const std::string& givenElf,
                          SymbolTable& table, TypedSymbols& typed);

// The line that says an ELF belongs to another build than its map.
inline constexpr const char* kElfMismatch = "the ELF does not match the map (rebuilt since?)";

} // namespace monitor
