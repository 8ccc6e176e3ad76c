#pragma once

#include "platform/SystemError.h"

#include <cstdio>

namespace platform {

// How a program shows lines that change (a progress bar, a table of values): over the
// lines drawn before, with "\r" and ANSI escape sequences, or as plain lines one after
// the other, with none.
enum class LineUpdates { kRedrawInPlace, kPlainLines };

struct LineRedraw {
    LineUpdates updates = LineUpdates::kPlainLines;
    SystemError reason; // why the lines are plain
};

// Readies `stream` for lines redrawn in place: on Windows the console is switched to
// processing escape sequences (ENABLE_VIRTUAL_TERMINAL_PROCESSING), which it otherwise
// prints as they are. Plain lines when the stream is no terminal (reason kNotATerminal),
// when the terminal does not take escape sequences, or when the console refuses the
// switch.
LineRedraw PrepareLineRedraw(std::FILE* stream);

} // namespace platform
