#pragma once

#include <string>
#include <string_view>

#include <windows.h>

// Text conversions and the system's words for an error, shared by the Windows sources of
// this folder.
namespace platform {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(const wchar_t* wide);
// FormatMessage's words for a GetLastError() value, in the user's language, without the
// final period and line break (the caller's sentence goes on); "error N" when the system
// has none.
std::string WindowsErrorText(DWORD error);

} // namespace platform
