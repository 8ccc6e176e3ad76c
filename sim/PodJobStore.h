#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "sim/PodError.h"
#include "sim/SimPart.h"

namespace sim {

// The job header of CmdPodWriteInfo, field by field.
struct PodJobHeader {
    std::uint32_t mcuType = 0;
    std::uint32_t constant = 0;  // always 4
    std::uint32_t resetAfter = 0;
    std::uint32_t resetPolarity = 0;
    std::uint32_t resetDelay = 0;
    std::uint32_t loaderLength = 0;
    std::array<std::uint32_t, kRegionCount> counts{};

    bool operator==(const PodJobHeader&) const = default;
};

// The POD's own store of a programming job: header, flash routine, and region words in
// numbered blocks of 264 words from a fixed first block per region. ProgramMode 1
// stores, 0 compares with what is stored, 2 does both.
class PodJobStore {
public:
    static constexpr std::uint32_t kBlockWords = 264;
    static constexpr std::array<std::uint32_t, kRegionCount> kFirstBlock = {100, 600, 1100, 2100};

    PodError WriteInfo(std::uint32_t mode, const PodJobHeader& header);
    PodError WriteLoader(std::uint32_t mode, std::span<const std::uint16_t> words);
    PodError WriteBlock(std::uint32_t mode, std::uint32_t block, std::span<const std::uint16_t> words);

    bool HasHeader() const { return m_hasHeader; }
    const PodJobHeader& Header() const { return m_header; }
    const std::vector<std::uint16_t>& Loader() const { return m_loader; }
    const std::map<std::uint32_t, std::vector<std::uint16_t>>& Blocks() const { return m_blocks; }
    // The stored words of one region, block after block (missing blocks end it).
    std::vector<std::uint16_t> RegionWords(int region) const;

    void Clear();
    // Restores a saved job.
    void Restore(const PodJobHeader& header, std::vector<std::uint16_t> loader,
                 std::map<std::uint32_t, std::vector<std::uint16_t>> blocks);

private:
    // Number of words block `block` must hold under the stored header, or -1 when no
    // region of the header owns that block.
    long ExpectedWords(std::uint32_t block) const;

    bool m_hasHeader = false;
    PodJobHeader m_header;
    std::vector<std::uint16_t> m_loader;
    std::map<std::uint32_t, std::vector<std::uint16_t>> m_blocks;
};

}  // namespace sim
