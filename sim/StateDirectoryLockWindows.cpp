#include "sim/StateDirectoryLock.h"

#include "platform/Utf8Path.h"

#include <system_error>
#include <thread>

#include <windows.h>

namespace sim {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{20};

} // namespace

// The directory is opened for adding files (FILE_ADD_FILE), which this handle shares with
// no one: a second holder, in this process or another, gets a sharing violation, while
// listing the directory and working with the files in it (read and delete access) go on.
StateDirectoryLock::Result StateDirectoryLock::Acquire(const std::string& directory,
                                                       std::chrono::milliseconds wait,
                                                       std::string& reason)
{
    Release();
    const std::wstring wide = platform::PathFromUtf8(directory).wstring();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        HANDLE handle = CreateFileW(wide.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(handle);
            return Result::kLocked;
        }
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_SHARING_VIOLATION;
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            reason = std::system_category().message(static_cast<int>(error));
            return busy ? Result::kBusy : Result::kFailed;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

void StateDirectoryLock::Release()
{
    if (m_handle >= 0) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
        m_handle = -1;
    }
}

} // namespace sim
