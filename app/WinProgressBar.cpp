#include "app/WinProgressBar.h"

#include <QProgressBar>

#include <algorithm>

void WinProgressBar::SetRange(int upper)
{
    // A QProgressBar would reset the value to -1 on a new range instead, and animate 0..0.
    m_upper = std::max(upper, 0);
    const int position = std::clamp(m_bar->value(), 0, m_upper);
    m_bar->setRange(0, std::max(m_upper, 1));
    m_bar->setValue(position);
}

void WinProgressBar::Step()
{
    if (m_upper == 0) return; // an empty range has nowhere to go
    // A new region's range therefore begins from empty even though nobody resets it.
    const int next = std::max(m_bar->value(), 0) + m_step;
    m_bar->setValue(next > m_upper ? 0 : next);
}

void WinProgressBar::SetPos(int position)
{
    m_bar->setValue(std::clamp(position, 0, m_upper));
}
