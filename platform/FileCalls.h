#pragma once

#include "platform/SystemError.h"

#include <cstdio>
#include <string>

namespace platform {

// POSIX-style file calls on UTF-8 names. A failure's code is an errno value on every
// system (Windows' own codes are mapped to the nearest one), so that a caller tells
// ENOENT from the rest alike everywhere, and its text is the C library's words for it.
// Descriptors are read, written and closed with the C library's read, write and close,
// which both systems have.

// Read-only, not inherited by child programs; does not block on a FIFO.
[[nodiscard]] SystemError OpenForReading(const std::string& path, int& fd);
// Write-only, created or emptied, not inherited; rw-r--r-- where modes exist.
[[nodiscard]] SystemError CreateForWriting(const std::string& path, int& fd);
// What was written to `fd` reaches the disk.
[[nodiscard]] SystemError SyncToDisk(int fd);
// fflush, then the stream's bytes reach the disk.
[[nodiscard]] SystemError FlushToDisk(std::FILE* file);
// Renames and removals in the directory reach the disk (nothing to do on Windows, where
// a rename writes through).
SystemError SyncDirectory(const std::string& path);
// `from` takes the place of `to` in one step, whether or not `to` exists.
[[nodiscard]] SystemError Rename(const std::string& from, const std::string& to);
SystemError RemoveFile(const std::string& path);
// fopen on a UTF-8 name; `file` is null when it fails.
[[nodiscard]] SystemError OpenStream(const std::string& path, const char* mode, std::FILE*& file);

enum class FileKind { kMissing, kRegular, kDirectory, kOther };
// What is at `path`, not following a final symbolic link; kMissing also when it cannot be
// asked.
FileKind KindOf(const std::string& path);

} // namespace platform
