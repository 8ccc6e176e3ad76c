#pragma once

#include <string>

#include "elf/DebugInfo.h"

namespace elf::oracle {

// What a reader made of a file, as text that two readers agree on when they read the
// same things: the version, the producer, each variable with its address, C type and
// size, and below it every type it reaches once (members with offsets and bit fields,
// enumerators). Independent of the order and numbering of DebugInfo::types; `problem`
// is left out. Bounded in length for the fuzzer's sake.
std::string CanonicalDump(const DebugInfo& info);

} // namespace elf::oracle
