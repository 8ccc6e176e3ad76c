#include "image/ResourceStore.h"

#include "platform/FileCalls.h"
#include "platform/Utf8Path.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "image/EmbeddedFile.h"
#include "image/McuCatalog.h"

namespace image {

namespace {

struct LoaderOverride {
    std::string name;
    std::vector<std::uint16_t> words;
};

// One immutable set of replacements. Sets are never freed, so spans into them stay valid
// for the whole run even when another directory is applied later.
struct OverrideSet {
    std::vector<LoaderOverride> loaders;
    std::optional<std::vector<std::uint8_t>> firmware;
};

std::mutex g_historyMutex;
std::vector<std::unique_ptr<OverrideSet>> g_history;
std::atomic<const OverrideSet*> g_current{nullptr};

std::span<const std::uint16_t> BuiltInLoader(std::string_view name)
{
    for (std::size_t i = 0; i < embedded::kLoaderFilesCount; ++i) {
        if (name == embedded::kLoaderFiles[i].name) {
            return {embedded::kLoaderFiles[i].data, embedded::kLoaderFiles[i].size};
        }
    }
    return {};
}

std::span<const std::uint8_t> BuiltInFirmware()
{
    for (std::size_t i = 0; i < embedded::kFirmwareFilesCount; ++i) {
        if (std::strcmp(embedded::kFirmwareFiles[i].name, kFirmwareFileName) == 0) {
            return {embedded::kFirmwareFiles[i].data, embedded::kFirmwareFiles[i].size};
        }
    }
    return {};
}

// Reads a whole file of exactly expectedBytes; a file of another size is only measured.
// False with the system's reason when the file cannot be measured or read.
bool ReadSmallFile(const std::filesystem::path& path, std::size_t expectedBytes,
                   std::vector<std::uint8_t>& out, std::size_t& totalBytes, std::string& reason)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    totalBytes = static_cast<std::size_t>(size);
    if (size != expectedBytes) {
        return true; // wrong size: nothing to read
    }
    std::FILE* f = nullptr;
    if (const platform::SystemError error =
            platform::OpenStream(platform::Utf8FromPath(path), "rb", f)) {
        reason = error.text;
        return false;
    }
    out.resize(expectedBytes);
    const std::size_t got = std::fread(out.data(), 1, expectedBytes, f);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (got != expectedBytes) {
        out.clear();
        reason = failed ? std::generic_category().message(error) : "the file ended early";
        return false;
    }
    return true;
}

// Looks for one replacement file; records what it found in the report. Returns the bytes
// when the file is usable.
std::optional<std::vector<std::uint8_t>>
TryReplacement(const std::filesystem::path& path, std::size_t expectedBytes, ResourceReport& report)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    ResourceFileStatus status;
    status.path = platform::Utf8FromPath(path);
    status.expectedBytes = expectedBytes;
    std::vector<std::uint8_t> bytes;
    std::size_t actual = 0;
    if (!ReadSmallFile(path, expectedBytes, bytes, actual, status.reason)) {
        status.state = ResourceFileStatus::State::Unreadable;
        status.actualBytes = actual;
        report.files.push_back(status);
        return std::nullopt;
    }
    status.actualBytes = actual;
    if (actual != expectedBytes) {
        status.state = ResourceFileStatus::State::WrongSize;
        report.files.push_back(status);
        return std::nullopt;
    }
    status.state = ResourceFileStatus::State::Used;
    report.files.push_back(status);
    return bytes;
}

} // namespace

bool ResourceReport::anyIgnored() const
{
    for (const ResourceFileStatus& f : files) {
        if (f.state != ResourceFileStatus::State::Used) {
            return true;
        }
    }
    return false;
}

ResourceReport SetResourceDirectory(const std::string& dir)
{
    ResourceReport report;
    if (dir.empty()) {
        g_current.store(nullptr, std::memory_order_release);
        return report;
    }
    std::error_code ec;
    const std::filesystem::path root = platform::PathFromUtf8(dir);
    report.directoryFound = std::filesystem::is_directory(root, ec);

    auto set = std::make_unique<OverrideSet>();
    if (report.directoryFound) {
        for (int type = 0; type < kMcuCount; ++type) {
            const std::string name = LoaderFileName(type);
            bool seen = false;
            for (const LoaderOverride& o : set->loaders) {
                seen = seen || o.name == name;
            }
            for (const ResourceFileStatus& f : report.files) {
                seen = seen || platform::PathFromUtf8(f.path).filename() == name;
            }
            if (seen) {
                continue; // parts sharing a routine share its file
            }
            const std::size_t expected = 2u * LoaderLength(type);
            auto bytes = TryReplacement(root / "loaders" / name, expected, report);
            if (!bytes) {
                continue;
            }
            LoaderOverride o;
            o.name = name;
            o.words.resize(expected / 2);
            for (std::size_t k = 0; k < o.words.size(); ++k) {
                o.words[k] =
                    static_cast<std::uint16_t>((*bytes)[2 * k] | ((*bytes)[2 * k + 1] << 8));
            }
            set->loaders.push_back(std::move(o));
        }
        set->firmware =
            TryReplacement(root / "firmware" / kFirmwareFileName, kPodFirmwareSize, report);
    }

    const std::lock_guard<std::mutex> lock(g_historyMutex);
    g_history.push_back(std::move(set));
    g_current.store(g_history.back().get(), std::memory_order_release);
    return report;
}

std::string DescribeResourceStatus(const ResourceFileStatus& status)
{
    char line[512] = "";
    switch (status.state) {
    case ResourceFileStatus::State::Used:
        std::snprintf(line, sizeof line, "using %s", status.path.c_str());
        break;
    case ResourceFileStatus::State::WrongSize:
        std::snprintf(line, sizeof line,
                      "ignoring %s: %zu bytes, expected %zu; the built-in image stays",
                      status.path.c_str(), status.actualBytes, status.expectedBytes);
        break;
    case ResourceFileStatus::State::Unreadable:
        std::snprintf(line, sizeof line,
                      "ignoring %s: cannot be read (%s); the built-in image stays",
                      status.path.c_str(), status.reason.c_str());
        break;
    }
    return line;
}

std::span<const std::uint16_t> LoaderFileWords(std::string_view fileName)
{
    if (const OverrideSet* set = g_current.load(std::memory_order_acquire)) {
        for (const LoaderOverride& o : set->loaders) {
            if (o.name == fileName) {
                return o.words;
            }
        }
    }
    return BuiltInLoader(fileName);
}

std::span<const std::uint8_t> FirmwareFileBytes()
{
    if (const OverrideSet* set = g_current.load(std::memory_order_acquire)) {
        if (set->firmware) {
            return *set->firmware;
        }
    }
    return BuiltInFirmware();
}

} // namespace image
