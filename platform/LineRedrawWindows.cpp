#include "platform/LineRedraw.h"

#include "platform/WindowsText.h"

#include <io.h>

namespace platform {

LineRedraw PrepareLineRedraw(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0)
        return {LineUpdates::kPlainLines, {kNotATerminal, "not a console"}};
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return {LineUpdates::kRedrawInPlace, {}};
    if (SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return {LineUpdates::kRedrawInPlace, {}};
    // Consoles before Windows 10 reject the flag as an invalid parameter.
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER) return {LineUpdates::kPlainLines, NotSupported()};
    return {LineUpdates::kPlainLines, {static_cast<int>(error), WindowsErrorText(error)}};
}

} // namespace platform
