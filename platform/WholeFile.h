#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The whole file at `path` into `bytes`, when it is a regular file of at most `limit`
// bytes; otherwise the reason, in a few words ("a folder, not a file", "not a regular
// file but a FIFO", "larger than 64 MiB", the system's words for a failed open). The open
// does not block, so a FIFO given as a file is refused instead of waiting for a writer,
// and a file that grows while it is read past the limit is refused too. Empty on success.
std::string ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes);

} // namespace platform
