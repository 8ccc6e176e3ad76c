#include "python/ScriptError.h"

#include <string_view>

namespace script {

std::string CliMessage(const std::string& printed)
{
    constexpr std::string_view kPrefix = "quobin-cli: ";
    std::string message;
    std::size_t start = 0;
    while (start < printed.size()) {
        std::size_t end = printed.find('\n', start);
        if (end == std::string::npos) end = printed.size();
        std::string_view line(printed.data() + start, end - start);
        if (line.substr(0, kPrefix.size()) == kPrefix) line.remove_prefix(kPrefix.size());
        if (!line.empty()) message += (message.empty() ? "" : "\n") + std::string(line);
        start = end + 1;
    }
    return message;
}

} // namespace script
