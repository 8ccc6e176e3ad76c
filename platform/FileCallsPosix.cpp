#include "platform/FileCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SystemError OpenForReading(const std::string& path, int& fd)
{
    return OpenedDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), fd);
}

SystemError CreateForWriting(const std::string& path, int& fd)
{
    return OpenedDescriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), fd);
}

SystemError SyncToDisk(int fd)
{
    return CheckedErrno(::fsync(fd));
}

SystemError FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) return ErrnoError(errno);
    return CheckedErrno(::fsync(::fileno(file)));
}

SystemError SyncDirectory(const std::string& path)
{
    int dir = -1;
    if (SystemError error = OpenedDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), dir))
        return error;
    SystemError error = CheckedErrno(::fsync(dir));
    ::close(dir);
    return error;
}

SystemError Rename(const std::string& from, const std::string& to)
{
    return CheckedErrno(std::rename(from.c_str(), to.c_str()));
}

SystemError RemoveFile(const std::string& path)
{
    return CheckedErrno(::unlink(path.c_str()));
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
