#pragma once

#include <cstddef>
#include <cstdint>

namespace image {

// A data file compiled into the program by the build (cmake/EmbedBinary.cmake).
template <typename T> struct EmbeddedFile {
    const char* name; // file name without directory, e.g. "DSP56F801.bin"
    const T* data;
    std::size_t size; // in elements
};

namespace embedded {
// res/loaders/*.bin as little-endian 16-bit words.
extern const EmbeddedFile<std::uint16_t> kLoaderFiles[];
extern const std::size_t kLoaderFilesCount;
// res/firmware/*.bin as bytes.
extern const EmbeddedFile<std::uint8_t> kFirmwareFiles[];
extern const std::size_t kFirmwareFilesCount;
} // namespace embedded

} // namespace image
