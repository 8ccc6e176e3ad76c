#include "ops/ProgressPosition.h"

#include <algorithm>

namespace ops {

void ProgressPosition::SetRange(int upper)
{
    m_upper = std::max(upper, 0);
    m_position = std::clamp(m_position, 0, m_upper);
}

void ProgressPosition::Step()
{
    if (m_upper == 0) return;
    const int next = std::max(m_position, 0) + m_step;
    m_position = next > m_upper ? 0 : std::max(next, 0);
}

void ProgressPosition::SetPos(int position)
{
    m_position = std::clamp(position, 0, m_upper);
}

} // namespace ops
