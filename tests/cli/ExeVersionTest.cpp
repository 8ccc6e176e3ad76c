// quobin-cli.exe names its version where Windows looks for it (the version resource), the
// same one the program prints, asks for UTF-8 and long paths in its manifest, and carries
// the icon Explorer shows.
#include "quobin/Version.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(ExeVersion, TheVersionResourceNamesTheBuildsVersion)
{
    const std::wstring exe = std::filesystem::path(QUOBIN_CLI_PATH).wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::filesystem::path(std::wstring(text)).string(), quobin::kVersion);
}

TEST(ExeVersion, TheManifestAsksForUtf8AndLongPaths)
{
    const std::wstring exe = std::filesystem::path(QUOBIN_CLI_PATH).wstring();
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest";
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(bytes, SizeofResource(module, found));
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos) << manifest;
    FreeLibrary(module);
}

TEST(ExeVersion, TheIconHoldsTheThreeSizes)
{
    const std::wstring exe = std::filesystem::path(QUOBIN_CLI_PATH).wstring();
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr) << "no icon";
    // The group's header: reserved, type 1 (icon), the number of images.
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
    EXPECT_EQ(header[1], 1);
    EXPECT_EQ(header[2], 3);
    FreeLibrary(module);
}

} // namespace
