#pragma once

#include <string>

namespace sim {

// The linker map (".xMAP") of the program that runs on the emulated target: one
// ".bss"/".data" line per variable of DemoVariables(), plus the lines a map reader has
// to skip (code sections, library objects, comments). examples/demo.xMAP is this text;
// with `typed`, DemoTypedVariables() too, as examples/demo.elf.xMAP beside demo.elf.
std::string DemoMapText(bool typed = false);

} // namespace sim
