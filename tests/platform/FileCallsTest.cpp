// File calls report a failure as errno's number and the C library's words for it, on
// Windows too, and an empty error on success.
#include "platform/FileCalls.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

struct Case {
    const char* what;
    std::function<platform::SystemError(const support::TempDir&)> call;
    std::string text;
};

TEST(FileCalls, AFailureCarriesErrnoAndItsText)
{
    const std::string missing = "No such file or directory";
    const Case cases[] = {
        {"reading a missing file",
         [](const support::TempDir& dir) {
             int fd = -1;
             return platform::OpenForReading(dir.Path("missing"), fd);
         },
         missing},
        {"creating a file in a missing folder",
         [](const support::TempDir& dir) {
             int fd = -1;
             return platform::CreateForWriting(dir.Path("missing/file"), fd);
         },
         missing},
        {"creating a file over a folder",
         [](const support::TempDir& dir) {
             int fd = -1;
             return platform::CreateForWriting(dir.path().string(), fd);
         },
         support::kFolderReadAsFile},
        {"renaming a missing file",
         [](const support::TempDir& dir) {
             return platform::Rename(dir.Path("missing"), dir.Path("other"));
         },
         missing},
        {"removing a missing file",
         [](const support::TempDir& dir) { return platform::RemoveFile(dir.Path("missing")); },
         missing},
        {"opening a missing file as a stream",
         [](const support::TempDir& dir) {
             std::FILE* file = nullptr;
             return platform::OpenStream(dir.Path("missing"), "rb", file);
         },
         missing},
    };
    const support::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::SystemError error = c.call(dir);
        EXPECT_TRUE(error);
        EXPECT_EQ(error.text, c.text);
        EXPECT_EQ(error.text, std::generic_category().message(error.code));
    }
}

TEST(FileCalls, AWholeWriteAndRenameSucceedsWithEmptyErrors)
{
    const support::TempDir dir;
    int fd = -1;
    ASSERT_FALSE(platform::CreateForWriting(dir.Path("new"), fd));
    ASSERT_EQ(::write(fd, "bytes", 5), 5);
    EXPECT_FALSE(platform::SyncToDisk(fd));
    ::close(fd);
    EXPECT_FALSE(platform::Rename(dir.Path("new"), dir.Path("file")));
    EXPECT_FALSE(platform::SyncDirectory(dir.path().string()));
    EXPECT_EQ(dir.Read("file"), "bytes");
    EXPECT_EQ(platform::KindOf(dir.Path("file")), platform::FileKind::kRegular);
    EXPECT_FALSE(platform::RemoveFile(dir.Path("file")));
    EXPECT_EQ(platform::KindOf(dir.Path("file")), platform::FileKind::kMissing);
}

} // namespace
