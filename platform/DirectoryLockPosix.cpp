#include "platform/DirectoryLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// Often enough that a program waiting for another one's last save goes on right after it.
constexpr std::chrono::milliseconds kRetryInterval{20};

} // namespace

SystemError DirectoryLock::Acquire(const std::string& directory, std::chrono::milliseconds wait)
{
    Release();
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const SystemError error = ErrnoError(errno);
        return {error.code, directory + ": " + error.text};
    }
    // flock, not fcntl: its lock belongs to this open directory, so a second holder in
    // the same process (another emulator, another thread) is refused too.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_handle = fd;
            return {};
        }
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            if (error == EWOULDBLOCK)
                return {kHeldElsewhere, directory + ": locked by another holder"};
            return {error, directory + ": " + ErrnoError(error).text};
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

void DirectoryLock::Release()
{
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
        m_handle = -1;
    }
}

} // namespace platform
