#include "platform/FileCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The descriptor, or errno's account of why there is none.
SystemError Opened(int result, int& fd)
{
    fd = result;
    return result < 0 ? ErrnoError(errno) : SystemError{};
}

SystemError Checked(int result)
{
    return result != 0 ? ErrnoError(errno) : SystemError{};
}

} // namespace

SystemError OpenForReading(const std::string& path, int& fd)
{
    return Opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), fd);
}

SystemError CreateForWriting(const std::string& path, int& fd)
{
    return Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), fd);
}

SystemError SyncToDisk(int fd)
{
    return Checked(::fsync(fd));
}

SystemError FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) return ErrnoError(errno);
    return Checked(::fsync(::fileno(file)));
}

SystemError SyncDirectory(const std::string& path)
{
    int dir = -1;
    if (SystemError error = Opened(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), dir))
        return error;
    SystemError error = Checked(::fsync(dir));
    ::close(dir);
    return error;
}

SystemError Rename(const std::string& from, const std::string& to)
{
    return Checked(std::rename(from.c_str(), to.c_str()));
}

SystemError RemoveFile(const std::string& path)
{
    return Checked(::unlink(path.c_str()));
}

SystemError OpenStream(const std::string& path, const char* mode, std::FILE*& file)
{
    file = std::fopen(path.c_str(), mode);
    return file == nullptr ? ErrnoError(errno) : SystemError{};
}

FileKind KindOf(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return FileKind::kMissing;
    if (S_ISREG(info.st_mode)) return FileKind::kRegular;
    if (S_ISDIR(info.st_mode)) return FileKind::kDirectory;
    return FileKind::kOther;
}

} // namespace platform
