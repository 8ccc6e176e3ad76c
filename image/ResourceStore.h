#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace image {

// The flash routines and the POD firmware are built into the program. A resource
// directory can replace them at run time by file name: DIR/loaders/<name>.bin (raw
// little-endian 16-bit words) and DIR/firmware/pod-firmware.bin. A replacement is used
// only when it has exactly the built-in size; otherwise the built-in image stays.

constexpr const char* kFirmwareFileName = "pod-firmware.bin";

struct ResourceFileStatus {
    enum class State { Used, WrongSize, Unreadable };
    std::string path;
    State state = State::Used;
    std::size_t expectedBytes = 0;
    std::size_t actualBytes = 0;
    std::string reason; // the system's reason when Unreadable
};

// What a directory supplied: one entry per matching file found there.
struct ResourceReport {
    std::vector<ResourceFileStatus> files;
    bool directoryFound = false;

    bool anyIgnored() const;
};

// Reads every replacement from dir (an empty dir goes back to the built-in images) and
// makes them current. Spans handed out earlier stay valid. Meant to be called at start-up,
// before workers run; concurrent readers still see either the old or the new set.
ResourceReport SetResourceDirectory(const std::string& dir);

// One line per file for a user: "using DIR/loaders/X.bin" or why it was ignored.
std::string DescribeResourceStatus(const ResourceFileStatus& status);

// Words of a flash-routine file by name (replacement first); empty if unknown.
std::span<const std::uint16_t> LoaderFileWords(std::string_view fileName);

// The POD firmware image (replacement first).
std::span<const std::uint8_t> FirmwareFileBytes();

} // namespace image
