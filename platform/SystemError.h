#pragma once

#include <string>

namespace platform {

// What a failed system call said: the system's number for it and its words. An empty one
// (code 0) means the call succeeded, so `if (const SystemError error = Call(...))` reads
// "if it failed".
struct SystemError {
    int code = 0;
    std::string text;

    explicit operator bool() const { return code != 0; }
};

// Numbers of our own for failures the system has no number for. They are negative, so
// that they never meet an errno or a GetLastError() value.
inline constexpr int kNotSupported = -1;  // this system has no such call
inline constexpr int kLoaderFailed = -2;  // the dynamic loader, which reports in words only
inline constexpr int kNotATerminal = -3;  // the stream goes to a file, a pipe or a device
inline constexpr int kHeldElsewhere = -4; // another holder has the lock

// errno's number with the C library's words for it.
SystemError ErrnoError(int error);
// A C library call's result: 0 succeeded, anything else failed with errno set.
SystemError CheckedErrno(int result);
// A descriptor a C library call returned, or errno's account of why there is none.
SystemError OpenedDescriptor(int result, int& fd);
// The call has no implementation on this system.
SystemError NotSupported();

} // namespace platform
