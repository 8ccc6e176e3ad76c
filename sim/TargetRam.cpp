#include "sim/TargetRam.h"

#include <cstddef>

namespace sim {

TargetRam::TargetRam(const SimPart& part)
    : m_first1(part.ramWindow1First), m_first2(part.ramWindow2First),
      m_window1(part.ramWindow1Last - part.ramWindow1First + 1, 0),
      m_window2(part.ramWindow2Last - part.ramWindow2First + 1, 0)
{
}

std::uint16_t* TargetRam::Slot(std::uint32_t address)
{
    if (address >= m_first1 && address - m_first1 < m_window1.size()) {
        return &m_window1[address - m_first1];
    }
    if (address >= m_first2 && address - m_first2 < m_window2.size()) {
        return &m_window2[address - m_first2];
    }
    return nullptr;
}

std::uint16_t* TargetRam::Words(std::uint32_t address, std::uint32_t count)
{
    std::uint16_t* first = Slot(address);
    std::uint16_t* last = count == 0 ? first : Slot(address + count - 1);
    // Both ends in the same window: the windows do not overlap and each is contiguous.
    return first != nullptr && last != nullptr && last - first == static_cast<std::ptrdiff_t>(count) - 1
               ? first
               : nullptr;
}

bool TargetRam::Contains(std::uint32_t address) const
{
    return const_cast<TargetRam*>(this)->Slot(address) != nullptr;
}

std::uint16_t TargetRam::Read(std::uint32_t address) const
{
    const std::uint16_t* slot = const_cast<TargetRam*>(this)->Slot(address);
    return slot != nullptr ? *slot : 0;
}

void TargetRam::Write(std::uint32_t address, std::uint16_t value)
{
    if (std::uint16_t* slot = Slot(address)) {
        *slot = value;
    }
}

bool TargetRam::RestoreWindow(int window, const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint16_t>& target = window == 1 ? m_window1 : m_window2;
    if (words.size() != target.size()) {
        return false;
    }
    target = words;
    return true;
}

std::uint32_t TargetRam::ReadLong(std::uint32_t address) const
{
    return static_cast<std::uint32_t>(Read(address)) |
           (static_cast<std::uint32_t>(Read(address + 1)) << 16);
}

void TargetRam::WriteLong(std::uint32_t address, std::uint32_t value)
{
    Write(address, static_cast<std::uint16_t>(value));
    Write(address + 1, static_cast<std::uint16_t>(value >> 16));
}

} // namespace sim
