#pragma once

#include "platform/SystemError.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// An exclusive hold on a folder for as long as the object lives, so that two programs on
// one folder take turns instead of mixing their files. The lock belongs to the folder
// itself, not to a file in it, so taking it writes nothing there. A program that ends,
// even killed, lets it go.
class DirectoryLock {
public:
    DirectoryLock() = default;
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;
    ~DirectoryLock() { Release(); }

    // Takes the lock on an existing folder, waiting up to `wait` while another holder (in
    // this program or another) has it. The error's code is kHeldElsewhere when that
    // holder kept it; otherwise the system's reason. Its text names the folder.
    [[nodiscard]] SystemError Acquire(const std::string& directory, std::chrono::milliseconds wait);
    void Release();
    bool Held() const { return m_handle >= 0; }

private:
    std::intptr_t m_handle = -1; // a descriptor, or on Windows a HANDLE
};

} // namespace platform
