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
    explicit FaultPlan(std::vector<SimFault> faults) : m_faults(std::move(faults)) {}

    void Add(const SimFault& fault) { m_faults.push_back(fault); }
    // Counts one occurrence of `what` and returns the fault for it.
    std::optional<SimFault> Next(int what);
    std::uint32_t Count(int what) const;

private:
    std::vector<SimFault> m_faults;
    std::map<int, std::uint32_t> m_counts;
};

}  // namespace sim
