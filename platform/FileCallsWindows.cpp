#include "platform/FileCalls.h"

#include "platform/Utf8Path.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <windows.h>

namespace platform {

namespace {

std::wstring Wide(const std::string& path)
{
    return PathFromUtf8(path).wstring();
}

int ErrnoFor(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

} // namespace

SystemError OpenForReading(const std::string& path, int& fd)
{
    return OpenedDescriptor(::_wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT), fd);
}

SystemError CreateForWriting(const std::string& path, int& fd)
{
    return OpenedDescriptor(::_wopen(Wide(path).c_str(),
                           _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                           _S_IREAD | _S_IWRITE),
                  fd);
}

SystemError SyncToDisk(int fd)
{
    return CheckedErrno(::_commit(fd));
}

SystemError FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) return ErrnoError(errno);
    return CheckedErrno(::_commit(::_fileno(file)));
}

SystemError SyncDirectory(const std::string&)
{
    return {};
}

SystemError Rename(const std::string& from, const std::string& to)
{
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return ErrnoError(ErrnoFor(GetLastError()));
}

SystemError RemoveFile(const std::string& path)
{
    return CheckedErrno(::_wunlink(Wide(path).c_str()));
}

SystemError OpenStream(const std::string& path, const char* mode, std::FILE*& file)
{
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    file = ::_wfopen(Wide(path).c_str(), wideMode.c_str());
    return file == nullptr ? ErrnoError(errno) : SystemError{};
}

FileKind KindOf(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FileKind::kOther;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kDirectory;
    return FileKind::kRegular;
}

} // namespace platform
