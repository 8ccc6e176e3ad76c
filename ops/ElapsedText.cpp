#include "ops/ElapsedText.h"

#include <cstdio>

namespace ops {

std::string WithElapsed(const std::string& message, std::uint32_t elapsedMs)
{
    char tail[48];
    std::snprintf(tail, sizeof tail, " (%u.%02u sec)", static_cast<unsigned>(elapsedMs / 1000),
                  static_cast<unsigned>(elapsedMs % 1000 / 10));
    return message + tail;
}

std::string SecondsText(std::uint32_t elapsedMs)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%02u s", static_cast<unsigned>(elapsedMs / 1000),
                  static_cast<unsigned>(elapsedMs % 1000 / 10));
    return text;
}

} // namespace ops
