#include "platform/DirectoryLock.h"

#include "platform/WindowsText.h"

#include <thread>

#include <windows.h>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{20};

// The backup flag that opens a folder opens a file as well; only a folder is locked, as
// on POSIX.
bool IsDirectory(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

SystemError Failed(const std::string& directory, DWORD error)
{
    return {static_cast<int>(error), directory + ": " + WindowsErrorText(error)};
}

} // namespace

// The directory is opened for adding files (FILE_ADD_FILE), which this handle shares with
// no one: a second holder, in this process or another, gets a sharing violation, while
// listing the directory and working with the files in it (read and delete access) go on.
SystemError DirectoryLock::Acquire(const std::string& directory, std::chrono::milliseconds wait)
{
    Release();
    const std::wstring wide = WideFromUtf8(directory);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        HANDLE handle =
            CreateFileW(wide.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE && !IsDirectory(handle)) {
            CloseHandle(handle);
            return Failed(directory, ERROR_DIRECTORY);
        }
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(handle);
            return {};
        }
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_SHARING_VIOLATION;
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            if (busy) return {kHeldElsewhere, directory + ": locked by another holder"};
            return Failed(directory, error);
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

void DirectoryLock::Release()
{
    if (m_handle >= 0) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
        m_handle = -1;
    }
}

} // namespace platform
