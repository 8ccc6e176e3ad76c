// Two programs on one folder: another process is refused while this one holds the lock,
// and takes it once this one lets it go, also while it is waiting for it. The other
// program is a forked child that reports through its exit status.
#include "platform/DirectoryLock.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum ChildStatus {
    kTookItAfterTheRelease = 0,
    kNotRefused = 1,
    kFolderNotNamed = 2,
    kNeverTookIt = 3
};

// Refused first; tells the parent through `ready`, then waits for the lock.
int RefusedThenWaiting(const std::string& folder, int ready)
{
    platform::DirectoryLock lock;
    const platform::SystemError refused = lock.Acquire(folder, std::chrono::milliseconds(0));
    if (refused.code != platform::kHeldElsewhere) return kNotRefused;
    if (refused.text.rfind(folder + ": ", 0) != 0) return kFolderNotNamed;
    const char byte = 1;
    if (::write(ready, &byte, 1) != 1) return kNeverTookIt;
    return lock.Acquire(folder, std::chrono::minutes(1)) ? kNeverTookIt : kTookItAfterTheRelease;
}

TEST(DirectoryLockProcess, AnotherProcessIsRefusedThenTakesTheLockOnceItIsLetGo)
{
    const support::TempDir dir;
    const std::string folder = dir.path().string();
    auto lock = std::make_unique<platform::DirectoryLock>();
    ASSERT_FALSE(lock->Acquire(folder, std::chrono::milliseconds(0)));
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child's copy of the parent's descriptor shares the parent's lock; only the
        // parent's copy is to hold it.
        lock.reset();
        ::close(pipeFds[0]);
        ::_exit(RefusedThenWaiting(folder, pipeFds[1]));
    }
    ::close(pipeFds[1]);
    char byte = 0;
    EXPECT_EQ(::read(pipeFds[0], &byte, 1), 1) << "the child was not refused";
    ::close(pipeFds[0]);
    lock.reset();
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kTookItAfterTheRelease);
    // The child ended holding it; its end let it go.
    EXPECT_FALSE(platform::DirectoryLock().Acquire(folder, std::chrono::milliseconds(0)));
}

} // namespace
