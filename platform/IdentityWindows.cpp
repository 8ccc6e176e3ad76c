#include "platform/Identity.h"

#include "platform/WindowsText.h"

#include <windows.h>

namespace platform {

std::string HostName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return {};
    return Utf8FromWide(name);
}

std::string LoginName()
{
    // The environment's variables are read in UTF-16 for names beyond the code page.
    wchar_t name[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"USERNAME", name, 256);
    if (length == 0 || length >= 256) return {};
    return Utf8FromWide(name);
}

} // namespace platform
