#pragma once

#include "platform/SystemError.h"

#include <string>
#include <string_view>

// The calling convention of the C functions a system library exports: __stdcall (WINAPI)
// on Windows, which only 32-bit x86 tells from the default, the C default elsewhere.
#ifdef _WIN32
#define QUOBIN_LIBRARY_CALL __stdcall
#else
#define QUOBIN_LIBRARY_CALL
#endif

namespace platform {

// A library loaded at run time: dlopen on POSIX, LoadLibraryExW on Windows. It stays
// loaded until Close() or until the object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary() { Close(); }
    SharedLibrary(SharedLibrary&& other) noexcept : m_handle(other.m_handle)
    {
        other.m_handle = nullptr;
    }
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads `path` (UTF-8), closing what was open before. Symbols are bound at once and
    // kept to this library. On Windows a bare name is searched for in the system's and
    // the application's folders only: a library of that name in the current folder is
    // never picked up. The error's text names the library.
    [[nodiscard]] SystemError Open(const std::string& path);
    // The address of the exported function or object `name`; the error's text names it.
    [[nodiscard]] SystemError Find(const char* name, void*& address) const;
    // Unloads the library; nothing when none is open.
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

private:
    void* m_handle = nullptr; // dlopen's handle, or on Windows an HMODULE
};

// The file name the system gives the library `name`: "name.dll" on Windows,
// "libname.dylib" on macOS, "libname.so" elsewhere.
std::string SharedLibraryFileName(std::string_view name);

} // namespace platform
