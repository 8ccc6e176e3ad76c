#pragma once

#include <cstdint>
#include <vector>

#include "sim/SimPart.h"

namespace sim {

// The target's two RAM windows (program-space and data-space RAM), word addressed.
// Power-on contents are zero.
class TargetRam {
public:
    explicit TargetRam(const SimPart& part);

    bool Contains(std::uint32_t address) const;
    std::uint16_t Read(std::uint32_t address) const;
    void Write(std::uint32_t address, std::uint16_t value);
    // 32-bit values are two consecutive words, low word first.
    std::uint32_t ReadLong(std::uint32_t address) const;
    void WriteLong(std::uint32_t address, std::uint32_t value);

    // `count` consecutive words from `address` when all lie in one window, else null:
    // the memory a program on the target reaches through a pointer.
    std::uint16_t* Words(std::uint32_t address, std::uint32_t count);

    // The words of window 1 or 2, from its first address on (kept between runs).
    const std::vector<std::uint16_t>& Window(int window) const
    {
        return window == 1 ? m_window1 : m_window2;
    }
    // Puts saved words back; words of a different length (another part) are ignored.
    bool RestoreWindow(int window, const std::vector<std::uint16_t>& words);

private:
    std::uint16_t* Slot(std::uint32_t address);

    std::uint32_t m_first1;
    std::uint32_t m_first2;
    std::vector<std::uint16_t> m_window1;
    std::vector<std::uint16_t> m_window2;
};

} // namespace sim
