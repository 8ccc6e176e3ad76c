#include "station/RunLogFile.h"

#include "platform/FileCalls.h"

#include <cstdio>

namespace station {

bool AppendRunLogLine(const std::string& path, const std::string& line)
{
    // Append mode puts every write at the end of the file whoever else writes there; a
    // buffer that holds the whole line makes the close a single write.
    std::FILE* file = nullptr;
    if (platform::OpenStream(path, "ab", file)) return false;
    const std::string whole = line + '\n';
    std::setvbuf(file, nullptr, _IOFBF, whole.size() + 1);
    const bool written = std::fwrite(whole.data(), 1, whole.size(), file) == whole.size();
    return std::fclose(file) == 0 && written;
}

} // namespace station
