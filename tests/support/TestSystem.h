#pragma once

// The few system calls the tests make that differ between POSIX and Windows, in one
// place so that the tests themselves read the same on both.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace support {

inline void SetEnv(const char* name, const char* value)
{
#ifdef _WIN32
    ::_putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

inline void UnsetEnv(const char* name)
{
#ifdef _WIN32
    ::_putenv_s(name, ""); // an empty value removes the variable there
#else
    ::unsetenv(name);
#endif
}

// Whether a file's mode bits can keep this process from reading it: not for root, and not
// on Windows, where they only mark a file read-only.
inline bool ModeBitsRefuseReading()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() != 0;
#endif
}

// The system's reason when a folder is opened or read as a file: Windows refuses to open
// it at all.
#ifdef _WIN32
inline constexpr const char* kFolderReadAsFile = "Permission denied";
#else
inline constexpr const char* kFolderReadAsFile = "Is a directory";
#endif

// The file that swallows what is written to it.
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

// What tells one file from another on its disk (the inode on POSIX, the file index on
// Windows): a file replaced by a rename gets another; 0 when it cannot be asked.
inline std::uint64_t FileIdentity(const std::string& path)
{
#ifdef _WIN32
    const std::wstring wide = std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
    HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok ? (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
#else
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_ino) : 0;
#endif
}

// A FIFO at `path`; false where the system has none (Windows), and the test is skipped.
inline bool MakeFifo(const std::string& path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

inline void* OpenLibrary(const char* path)
{
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryA(path));
#else
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

inline void* FindSymbol(void* module, const char* name)
{
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
#else
    return dlsym(module, name);
#endif
}

inline void CloseLibrary(void* module)
{
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

inline std::string LibraryError()
{
#ifdef _WIN32
    return "error " + std::to_string(GetLastError());
#else
    const char* reason = dlerror();
    return reason ? reason : "";
#endif
}

} // namespace support
