#include "platform/Identity.h"

#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string LoginName()
{
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return value;
    return {};
}

} // namespace platform
