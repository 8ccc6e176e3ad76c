#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/PodJobStore.h"
#include "sim/SimPart.h"

namespace sim {

// Everything the emulated POD and its target keep between runs (sim/README.md lists
// the files).
struct SimState {
    int versionMajor = 1;
    int versionMinor = 1;
    bool bootOnly = false; // flash erased by an unfinished update: only the boot loader runs
    std::vector<std::uint8_t>
        firmware; // the image written by the last update (empty: factory firmware)
    bool hasTarget = false;
    int mcuType = -1;
    bool secured = false;
    std::array<std::vector<std::uint16_t>, kRegionCount> flash;
    std::array<std::vector<std::uint16_t>, 2> ram; // RAM windows 1 and 2 (empty: power-on)
    bool hasJob = false;
    PodJobHeader jobHeader;
    std::vector<std::uint16_t> jobLoader;
    std::map<std::uint32_t, std::vector<std::uint16_t>> jobBlocks;
};

class SimStateStore {
public:
    explicit SimStateStore(std::string directory) : m_directory(std::move(directory)) {}

    // False when the directory holds no state yet (`error` stays empty) or a file is
    // unreadable or malformed (`error` says which).
    bool Load(SimState& state, std::string& error) const;
    bool Save(const SimState& state, std::string& error) const;

private:
    std::string Path(const std::string& name) const;
    std::string m_directory;
};

} // namespace sim
