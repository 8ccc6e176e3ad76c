#include "platform/LineRedraw.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace platform {

LineRedraw PrepareLineRedraw(std::FILE* stream)
{
    if (::isatty(::fileno(stream)) == 0)
        return {LineUpdates::kPlainLines, {kNotATerminal, "not a terminal"}};
    // What editors' shell windows and other simple terminals call themselves: they show
    // an escape sequence as text.
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::strcmp(term, "dumb") == 0)
        return {LineUpdates::kPlainLines,
                {kNotSupported, "the terminal (TERM=dumb) does not take escape sequences"}};
    return {LineUpdates::kRedrawInPlace, {}};
}

} // namespace platform
