#include "platform/SystemError.h"

#include <cerrno>
#include <system_error>

namespace platform {

SystemError ErrnoError(int error)
{
    return {error, std::generic_category().message(error)};
}

SystemError CheckedErrno(int result)
{
    return result != 0 ? ErrnoError(errno) : SystemError{};
}

SystemError OpenedDescriptor(int result, int& fd)
{
    fd = result;
    return result < 0 ? ErrnoError(errno) : SystemError{};
}

SystemError NotSupported()
{
    return {kNotSupported, "not supported on this system"};
}

} // namespace platform
