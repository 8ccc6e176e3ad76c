#pragma once

#include <map>
#include <optional>
#include <vector>

#include "sim/SimFault.h"

namespace sim {

// Counts the occurrences of each opcode and boot step and hands out the fault
// requested for the current one, if any.
class FaultPlan {
public:
    FaultPlan() = default;
    explicit FaultPlan(std::vector<SimFault> faults)
        : m_faults(std::move(faults)), m_fired(m_faults.size(), false)
    {
    }

    void Add(const SimFault& fault)
    {
        m_faults.push_back(fault);
        m_fired.push_back(false);
    }
    // Counts one occurrence of `what` and returns the fault for it.
    std::optional<SimFault> Next(int what);
    std::uint32_t Count(int what) const;
    // The faults whose occurrence never came: a plan that tested nothing says so.
    std::vector<SimFault> Unfired() const;

private:
    std::vector<SimFault> m_faults;
    std::vector<bool> m_fired; // by fault
    std::map<int, std::uint32_t> m_counts;
};

} // namespace sim
