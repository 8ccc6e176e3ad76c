#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Whether the stream goes to a terminal (a console window on Windows) rather than to a
// file or a pipe: only there is a progress bar redrawn in place.
bool IsTerminal(std::FILE* stream);

// The program's arguments as UTF-8, whatever the system's code page: on Windows they are
// taken from the wide command line, elsewhere they are argv as given.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Text written to the console is UTF-8, and the standard streams write the program's
// bytes as they are (no "\n" to "\r\n" translation), so output and CSV match on every
// system.
void UseUtf8Console();

} // namespace platform
