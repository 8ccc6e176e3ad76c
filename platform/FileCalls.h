#pragma once

#include <cstdio>
#include <string>

namespace platform {

// POSIX-style file calls on UTF-8 names: a descriptor or 0 on success, -1 with errno set
// on failure. Descriptors are read, written and closed with the C library's read, write
// and close, which both systems have.

// Read-only, not inherited by child programs; does not block on a FIFO.
int OpenForReading(const std::string& path);
// Write-only, created or emptied, not inherited; rw-r--r-- where modes exist.
int CreateForWriting(const std::string& path);
// What was written to `fd` reaches the disk.
int SyncToDisk(int fd);
// fflush, then the bytes reach the disk.
bool FlushToDisk(std::FILE* file);
// Renames and removals in the directory reach the disk (nothing to do on Windows, where
// MoveIntoPlace writes through).
void SyncDirectory(const std::string& path);
// `from` takes the place of `to` in one step, whether or not `to` exists.
int MoveIntoPlace(const std::string& from, const std::string& to);
int RemoveFile(const std::string& path);
// fopen on a UTF-8 name.
std::FILE* OpenStream(const std::string& path, const char* mode);

enum class FileKind { kMissing, kRegular, kDirectory, kOther };
// What is at `path`, not following a final symbolic link; kMissing also when it cannot be
// asked (errno tells).
FileKind KindOf(const std::string& path);

} // namespace platform
