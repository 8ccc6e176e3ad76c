#pragma once

#include <string>

#include "monitor/SymbolTable.h"
#include "monitor/TypedSymbols.h"

namespace monitor {

// The ELF that gives a map its types: `given` when not empty, otherwise the map's path
// without its last extension when such a file exists ("app.elf.xMAP" -> "app.elf");
// "" when there is none.
std::string FindElfForMap(const std::string& mapPath, const std::string& given = {});

// Reads the ELF found for `mapPath` and lays its types over `table`. Returns the status
// line that says which ELF gave the types, or why none did; a second line counts the
// symbols whose addresses disagree. Without an ELF the table stays as the map made it.
std::string LoadElfTypes(const std::string& mapPath, const std::string& givenElf, SymbolTable& table,
                         TypedSymbols& typed);

} // namespace monitor
