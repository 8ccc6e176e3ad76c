#include "sim/FaultPlan.h"

namespace sim {

std::optional<SimFault> FaultPlan::Next(int what)
{
    const std::uint32_t n = ++m_counts[what];
    for (std::size_t i = 0; i < m_faults.size(); ++i) {
        if (m_faults[i].what == what && m_faults[i].occurrence == n) {
            m_fired[i] = true;
            return m_faults[i];
        }
    }
    return std::nullopt;
}

std::uint32_t FaultPlan::Count(int what) const
{
    auto it = m_counts.find(what);
    return it == m_counts.end() ? 0 : it->second;
}

std::vector<SimFault> FaultPlan::Unfired() const
{
    std::vector<SimFault> unfired;
    for (std::size_t i = 0; i < m_faults.size(); ++i)
        if (!m_fired[i]) unfired.push_back(m_faults[i]);
    return unfired;
}

} // namespace sim
