#include "platform/LineRedraw.h"

#include "platform/WindowsText.h"

#include <io.h>

namespace platform {

namespace {

// Wine's console (8.0) takes ENABLE_VIRTUAL_TERMINAL_PROCESSING without complaint but
// still shows the sequences as text. Its ntdll exports what no Windows has.
bool RunsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

LineRedraw PrepareLineRedraw(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0)
        return {LineUpdates::kPlainLines, {kNotATerminal, "not a console"}};
    if (RunsUnderWine())
        return {LineUpdates::kPlainLines,
                {kNotSupported, "Wine's console shows escape sequences as text"}};
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return {LineUpdates::kRedrawInPlace, {}};
    if (SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return {LineUpdates::kRedrawInPlace, {}};
    // Consoles before Windows 10 reject the flag as an invalid parameter.
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER) return {LineUpdates::kPlainLines, NotSupported()};
    return {LineUpdates::kPlainLines, {static_cast<int>(error), WindowsErrorText(error)}};
}

} // namespace platform
