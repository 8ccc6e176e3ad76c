#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

constexpr int kRegionCount = 4;  // DFLASH, BFLASH, P1FLASH, P2FLASH

struct SimRegion {
    bool present = false;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t pageWords = 0;

    std::uint32_t Words() const { return present ? last - first + 1 : 0; }
};

// What the emulated chip and POD need to know about one part of the catalogue.
struct SimPart {
    int type = -1;
    std::string name;
    std::uint32_t ramWindow1First = 0;
    std::uint32_t ramWindow1Last = 0;
    std::uint32_t ramWindow2First = 0;
    std::uint32_t ramWindow2Last = 0;
    std::array<SimRegion, kRegionCount> regions{};
    std::vector<std::uint16_t> loader;  // the part's flash routine, exactly as the host must send it

    bool InRam(std::uint32_t address) const
    {
        return (address >= ramWindow1First && address <= ramWindow1Last) ||
               (address >= ramWindow2First && address <= ramWindow2Last);
    }
};

// Region file names of the state directory, in region order.
extern const std::array<const char*, kRegionCount> kRegionNames;

}  // namespace sim
