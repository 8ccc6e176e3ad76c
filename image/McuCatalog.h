#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace image {

// The 28 supported parts, 56800 family (types 0..6) and 56800E family (types 7..27).
constexpr int kMcuCount = 28;
constexpr int kRegionCount = 4;
constexpr int kDefaultMcuType = 27; // MC56F8367

// Order of every per-region array.
enum RegionIndex : int { kDflash = 0, kBflash = 1, kP1flash = 2, kP2flash = 3 };

// Memory map of one part. All addresses are 16-bit-word addresses, ranges include both
// ends. An absent region has all its fields 0. pageShift follows from pageWords (256, 512
// or 1024).
struct McuRecord {
    const char* name;
    std::uint32_t ramWindow1First, ramWindow1Last; // program-space RAM
    std::uint32_t ramWindow2First, ramWindow2Last; // data-space RAM
    std::uint32_t present[kRegionCount];
    std::uint32_t first[kRegionCount];
    std::uint32_t last[kRegionCount];
    std::uint32_t pageWords[kRegionCount];
    std::uint32_t pageShift[kRegionCount]; // log2(pageWords)
};

bool IsValidMcuType(int type);

// Read access to a part's record. For a type outside 0..27 an all-zero record with an
// empty name (callers check IsValidMcuType first).
const McuRecord& RecordFor(int type);

// Length in words of the part's flash routine; 0 for a type outside 0..27.
std::uint32_t LoaderLength(int type);

// Amount by which DFLASH word addresses are raised in the part's S-record files:
// 0x200000 (types 0..6), 0 (7..15), 0x2000000 (16..27); 0 outside 0..27.
std::uint32_t DataSpaceOffset(int type);

// The part's flash routine, exactly LoaderLength(type) words; empty for a type outside
// 0..27. Built in, or replaced from the resource directory (see ResourceStore.h).
std::span<const std::uint16_t> LoaderFor(int type);

// File name of the part's flash routine ("DSP56F801.bin"); parts with identical routines
// share one file. Empty for a type outside 0..27.
const char* LoaderFileName(int type);

// Index of a part by its exact name ("MC56F8367"), -1 if unknown.
int McuIndexByName(std::string_view name);

// A part as users name it wherever they choose one (--mcu, --sim-mcu): its name in any
// letter case ("MC56F8367", "mc56f8367") or its index 0..27 in decimal, surrounding
// blanks ignored. Nothing for anything else.
std::optional<int> ParseMcu(std::string_view text);

// Reset delay in ms by the Reset Delay list index: 1, 10, 50, 100, 500.
extern const std::array<std::uint16_t, 5> ResetDelayTable;
constexpr int kDefaultResetDelayIndex = 3; // 100 ms

// "DFLASH", "BFLASH", "P1FLASH", "P2FLASH"; "" outside 0..3.
const char* RegionName(int region);

// Region index by its name (exact, upper case), -1 if unknown.
int RegionIndexByName(std::string_view name);

// The firmware image the program writes into the POD from 0x08000000 (24,101 bytes).
constexpr std::size_t kPodFirmwareSize = 24101;
std::span<const std::uint8_t> PodFirmwareImage();

} // namespace image

// The current selection belongs with the catalogue for its users.
#include "image/McuSelection.h"
