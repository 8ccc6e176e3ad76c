// A folder's lock in one program: a second holder is refused with the folder named, the
// lock goes with its holder, and only an existing folder can be locked.
#include "platform/DirectoryLock.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using std::chrono::milliseconds;

struct Case {
    const char* what;
    std::string folder; // within the test's own folder
    bool held;          // by another lock of this program
    int code;           // 0: locked; otherwise anything but kHeldElsewhere when not held
};

TEST(DirectoryLock, ASecondHolderOrAFolderThatIsNotThereIsRefusedAndNamed)
{
    const Case cases[] = {
        {"a folder nobody holds", "free", false, 0},
        {"a folder another lock holds", "held", true, platform::kHeldElsewhere},
        {"a folder that is not there", "missing", false, 1},
        {"a file", "file", false, 1},
    };
    const support::TempDir dir;
    std::filesystem::create_directories(dir.path() / "free");
    std::filesystem::create_directories(dir.path() / "held");
    std::ofstream(dir.path() / "file") << "not a folder";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = dir.Path(c.folder);
        std::optional<platform::DirectoryLock> other;
        if (c.held) {
            ASSERT_FALSE(other.emplace().Acquire(folder, milliseconds(0)));
        }
        platform::DirectoryLock lock;
        const platform::SystemError error = lock.Acquire(folder, milliseconds(0));
        EXPECT_EQ(lock.Held(), c.code == 0);
        if (c.code == 0) {
            EXPECT_FALSE(error) << error.text;
            continue;
        }
        EXPECT_TRUE(error);
        EXPECT_EQ(error.code == platform::kHeldElsewhere, c.code == platform::kHeldElsewhere)
            << error.code;
        EXPECT_EQ(error.text.rfind(folder + ": ", 0), 0u) << error.text;
    }
}

TEST(DirectoryLock, GoesWithItsHolderAndAWaitingHolderTakesIt)
{
    const support::TempDir dir;
    const std::string folder = dir.path().string();
    {
        platform::DirectoryLock first;
        ASSERT_FALSE(first.Acquire(folder, milliseconds(0)));
    }
    auto first = std::make_unique<platform::DirectoryLock>();
    ASSERT_FALSE(first->Acquire(folder, milliseconds(0)));
    platform::DirectoryLock second;
    platform::SystemError waited;
    std::thread waiter([&] { waited = second.Acquire(folder, std::chrono::minutes(1)); });
    first.reset();
    waiter.join();
    EXPECT_FALSE(waited) << waited.text;
    EXPECT_TRUE(second.Held());
    second.Release();
    EXPECT_FALSE(second.Held());
    EXPECT_FALSE(platform::DirectoryLock().Acquire(folder, milliseconds(0)));
}

} // namespace
