#include "platform/WholeFile.h"

#include "platform/FileCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::string KindReason(const struct stat& info)
{
    if (S_ISDIR(info.st_mode)) return "a folder, not a file";
#ifdef S_ISFIFO
    if (S_ISFIFO(info.st_mode)) return "not a regular file but a FIFO";
#endif
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "not a regular file but a device";
    return "not a regular file";
}

} // namespace

std::string ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    if (path.empty()) return "no file name given";
    // Asked first: Windows refuses to open a folder with "Permission denied".
    if (KindOf(path) == FileKind::kDirectory) return "a folder, not a file";
    int fd = -1;
    if (const SystemError error = OpenForReading(path, fd)) return error.text;
    FileDescriptor file(fd);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return KindReason(info);
    const std::string tooLarge = "larger than " + std::to_string(limit >> 20) + " MiB";
    if (static_cast<std::uintmax_t>(info.st_size) > limit) return tooLarge;
    // The file may grow while it is read; one byte past the limit tells that it did.
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit) {
                bytes.clear();
                return tooLarge;
            }
            bytes.resize(std::min(limit + 1, done * 2));
        }
        const auto n = ::read(file.get(), bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            bytes.clear();
            return std::strerror(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return {};
}

} // namespace platform
