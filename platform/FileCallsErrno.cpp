#include "platform/FileCalls.h"

#include <cerrno>

namespace platform {

namespace {

// -1 with errno set from `error`, or 0.
int Status(const SystemError& error)
{
    if (!error) return 0;
    errno = error.code;
    return -1;
}

} // namespace

int OpenForReading(const std::string& path)
{
    int fd = -1;
    return Status(OpenForReading(path, fd)) != 0 ? -1 : fd;
}

int MoveIntoPlace(const std::string& from, const std::string& to)
{
    return Status(Rename(from, to));
}

std::FILE* OpenStream(const std::string& path, const char* mode)
{
    std::FILE* file = nullptr;
    Status(OpenStream(path, mode, file));
    return file;
}

} // namespace platform
