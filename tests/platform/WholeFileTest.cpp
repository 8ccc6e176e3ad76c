// A whole file is read only from a regular file within its limit; everything else is
// refused with a reason in a few words, and never waits (a FIFO with no writer).
#include "platform/WholeFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

TEST(WholeFile, ReadsARegularFileAndRefusesTheRestWithTheReason)
{
    support::TempDir dir;
    const std::string content(3000, 'q');
    struct Case {
        std::string path;
        std::size_t limit;
        std::string reason; // empty: read
    };
    std::vector<Case> cases = {
        {dir.Write("map.xMAP", content), 4096, ""},
        {dir.Write("empty.xMAP", ""), 4096, ""},
        {dir.Write("at-limit.xMAP", content), 3000, ""},
        {dir.Write("large.xMAP", content), 2999, "larger than 0 MiB"},
        {dir.Path("missing.xMAP"), 4096, "No such file or directory"},
        {dir.path().string(), 4096, "a folder, not a file"},
        {"", 4096, "no file name given"},
    };
#ifndef _WIN32
    const std::string fifo = dir.Path("fifo.xMAP");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({fifo, 4096, "not a regular file but a FIFO"});
    cases.push_back({"/dev/null", 4096, "not a regular file but a device"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string bytes = "stale";
        EXPECT_EQ(platform::ReadWholeFile(c.path, c.limit, bytes), c.reason);
        if (c.reason.empty())
            EXPECT_EQ(bytes.size(), c.path.find("empty") != std::string::npos ? 0u : content.size());
        else
            EXPECT_TRUE(bytes.empty()); // nothing of a refused file is handed on
    }
}

} // namespace
