#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// File names travel through the program as UTF-8 text. These turn them into the
// system's own path (wide on Windows, the same bytes elsewhere) and back.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

} // namespace platform
