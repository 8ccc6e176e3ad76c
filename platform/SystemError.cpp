#include "platform/SystemError.h"

#include <system_error>

namespace platform {

SystemError ErrnoError(int error)
{
    return {error, std::generic_category().message(error)};
}

SystemError NotSupported()
{
    return {kNotSupported, "not supported on this system"};
}

} // namespace platform
