#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "elf/DebugInfo.h"

namespace elf {

// Walks over the type graph, each bounded by a depth so that a loop of references in a
// damaged file ends in "unknown" instead of a hang.
inline constexpr int kMaxTypeChain = 32;

// The type behind typedefs and qualifiers; -1 when unknown or when the chain loops.
int StripTypedefs(const DebugInfo& info, int type);
// The type's size in bytes; arrays without a size are count x element size.
std::optional<std::uint32_t> ByteSize(const DebugInfo& info, int type, int depth = 0);
// The C spelling: "float", "struct tagPARAMCONVERSION", "unsigned char[61]",
// "unsigned short *", "Frac16", "unsigned int (*)()" (parameters left out). "?" for an
// unknown type.
std::string TypeText(const DebugInfo& info, int type);
const Type* TypeAt(const DebugInfo& info, int type);

} // namespace elf
