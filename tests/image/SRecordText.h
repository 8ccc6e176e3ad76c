#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace testing_srec {

// An S3 record with a correct checksum; words are written low byte first.
inline std::string S3(std::uint32_t address, const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes = {
        static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
        static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    const unsigned count = static_cast<unsigned>(bytes.size() + 1);
    unsigned sum = count;
    std::string text = "S3";
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", count);
    text += hex;
    for (std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
        sum += b;
    }
    std::snprintf(hex, sizeof hex, "%02X", (~sum) & 0xFF);
    text += hex;
    return text;
}

// A file in a private temporary directory, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& content, const std::string& name = "file.s")
    {
        static int serial = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("quobin-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(m_dir);
        m_path = m_dir / name;
        std::ofstream(m_path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    ~TempFile() { std::filesystem::remove_all(m_dir); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::string path() const { return m_path.string(); }
    std::string dir() const { return m_dir.string(); }

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_path;
};

} // namespace testing_srec
