#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sim {

// An exclusive hold on a state directory for as long as the object lives, so that two
// programs on one directory take turns instead of mixing their files. The lock belongs
// to the directory itself, not to a file in it, so taking it writes nothing there. A
// program that ends, even killed, lets it go.
class StateDirectoryLock {
public:
    StateDirectoryLock() = default;
    StateDirectoryLock(const StateDirectoryLock&) = delete;
    StateDirectoryLock& operator=(const StateDirectoryLock&) = delete;
    ~StateDirectoryLock() { Release(); }

    enum class Result { kLocked, kBusy, kFailed };
    // Waits up to `wait` while another holder has it; kFailed gives the system's reason.
    Result Acquire(const std::string& directory, std::chrono::milliseconds wait,
                   std::string& reason);
    void Release();
    bool Held() const { return m_handle >= 0; }

private:
    std::intptr_t m_handle = -1; // a descriptor, or on Windows a HANDLE
};

} // namespace sim
