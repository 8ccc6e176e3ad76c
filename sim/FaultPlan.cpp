#include "sim/FaultPlan.h"

namespace sim {

std::optional<SimFault> FaultPlan::Next(int what)
{
    const std::uint32_t n = ++m_counts[what];
    for (const SimFault& fault : m_faults) {
        if (fault.what == what && fault.occurrence == n) {
            return fault;
        }
    }
    return std::nullopt;
}

std::uint32_t FaultPlan::Count(int what) const
{
    auto it = m_counts.find(what);
    return it == m_counts.end() ? 0 : it->second;
}

}  // namespace sim
