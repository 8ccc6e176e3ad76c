#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/PodError.h"
#include "sim/SimPart.h"

namespace sim {

// The target DSC as the POD sees it over JTAG/EONCE: its flash regions, its security
// state, and the programming session the POD runs with it (connect, EONCE, flash
// routine, erase, program or compare, release).
class TargetChip {
public:
    TargetChip(SimPart part, bool secured);

    const SimPart& Part() const { return m_part; }
    int Type() const { return m_part.type; }
    bool Secured() const { return m_secured; }
    void SetSecured(bool secured) { m_secured = secured; }

    // Flash words of one region (empty for an absent region); erased flash reads 0xFFFF.
    std::span<const std::uint16_t> Flash(int region) const;
    std::vector<std::uint16_t>& MutableFlash(int region) { return m_flash[static_cast<std::size_t>(region)]; }

    bool Connected() const { return m_connected; }
    int ConnectMode() const { return m_connectMode; }

    PodError Connect(int connectMode);
    // State: 1 ready, 2 flash secured.
    PodError EnableOnce(std::uint8_t& state);
    PodError Unlock();
    PodError LoadLoader(std::span<const std::uint16_t> words);
    PodError Erase(std::uint32_t mask);
    PodError ProgramPage(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                         std::span<const std::uint16_t> words, std::uint32_t wordSum);
    PodError BufferChunk(std::uint32_t index, std::span<const std::uint16_t> words);
    PodError ProgramBuffered(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                             std::uint32_t count, std::uint32_t wordSum);
    PodError Release();

    // Erases every region to 0xFFFF (also the mass erase of an unlock).
    void EraseAll();

private:
    bool SequenceA() const;
    bool SequenceB() const;
    PodError CheckWindow(std::uint32_t region, std::uint32_t start, std::uint32_t count) const;
    PodError WriteAndCompare(std::uint32_t mode, std::uint32_t region, std::uint32_t start,
                             std::span<const std::uint16_t> words);
    void ClearStaging();

    SimPart m_part;
    bool m_secured;
    std::vector<std::uint16_t> m_flash[kRegionCount];
    bool m_connected = false;
    int m_connectMode = 0;
    bool m_eonce = false;
    bool m_loader = false;
    std::vector<std::uint16_t> m_staged;
    std::uint32_t m_nextChunk = 0;
    bool m_stagedShort = false;  // a block of fewer than 256 words ends the staging
};

std::uint16_t WordSum(std::span<const std::uint16_t> words);

}  // namespace sim
